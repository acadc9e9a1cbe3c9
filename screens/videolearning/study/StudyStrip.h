#pragma once

#include <QRect>
#include <QWidget>
#include <vector>

class StudyAids;

/// The study strip the player draws itself on the conversation screen, for courses that
/// give the study aids no buttons of their own: a row of small buttons for pause after
/// each phrase, go on, loop, loop count, slow replay at two rates, shadowing, the
/// intonation compared and the list of keys. It is placed where it covers none of the course's buttons.
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

    /// Where a strip of SIZE goes on a stage of STAGE: the first place, row by row from
    /// the top, that covers none of MUST_AVOID and, if there is one, none of SHOULD_AVOID.
    static QPoint placeFor(const QSize& size, const QSize& stage, const std::vector<QRect>& mustAvoid,
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
    QString labelOf(const Item& item) const;
    bool isLit(const Item& item) const;

    StudyAids& m_aids;
    std::vector<Item> m_items;
};
