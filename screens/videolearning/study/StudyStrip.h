#pragma once

#include <QRect>
#include <QWidget>
#include <optional>
#include <vector>

class StudyAids;

/// The study strip the player draws itself on the conversation screen, for courses that
/// give the study aids no buttons of their own: a row of small buttons for pause after
/// each phrase, go on, loop, loop count, slow replay at two rates, shadowing, the
/// intonation compared and the list of keys. It is placed where it covers none of the course's
/// buttons; where no such place is wide enough it shrinks to its last button, the key hint.
class StudyStrip : public QWidget {
    Q_OBJECT

public:
    /// The action of the strip's last button, which shows the list of keys.
    static constexpr int KeysAction = -1;

    StudyStrip(StudyAids& aids, QWidget* parent);

    /// The rectangle of button INDEX (in the strip's order), in the strip's coordinates.
    QRect buttonRect(int index) const;
    /// The action codes of the strip's buttons, in order.
    std::vector<int> actions() const;
    /// The action codes of every button of the whole strip.
    static std::vector<int> allActions();
    /// Shows the key hint alone ("? Teclas"), or every button again.
    enum class Shape { Whole, KeyHint };
    void setShape(Shape shape);
    Shape shape() const { return m_shape; }

    /// Where a strip of SIZE goes on a stage of STAGE: the first place, row by row from
    /// the top, that covers none of MUST_AVOID and, if there is one, none of SHOULD_AVOID;
    /// none when every place covers something of MUST_AVOID.
    static std::optional<QPoint> placeFor(const QSize& size, const QSize& stage, const std::vector<QRect>& mustAvoid,
        const std::vector<QRect>& shouldAvoid);

    QSize sizeHint() const override;

signals:
    /// Button ACCION was clicked.
    void actionClicked(int accion);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Item {
        int accion;
        QString label;
        QString tip;
    };
    static std::vector<Item> makeItems();
    QString labelOf(const Item& item) const;
    bool isLit(const Item& item) const;
    /// The items shown in the strip's present shape.
    std::vector<Item> shown() const;

    StudyAids& m_aids;
    std::vector<Item> m_items;
    Shape m_shape = Shape::Whole;
};
