#pragma once

#include "ColorValue.h"
#include "RoldaExport.h"

#include <QLineEdit>
#include <QStyleOptionFrame>

/// The control's inner box `Text1`: an ordinary one-line text box placed on the
/// control's surface in twips, with 32-bit colour values, that lets a host see and
/// change its keys and characters before it acts on them.
class ROLDA_EXPORT TextBox : public QLineEdit {
    Q_OBJECT

public:
    /// Design-time settings of the box, fixed for good.
    static constexpr bool MultiLine = false;
    static constexpr qint16 ScrollBars = 0;
    static constexpr float MaxFontSize = 2160.0f;

    /// An empty box on surface at (0, 0), zero sized.
    explicit TextBox(QWidget* surface);

    // Place on the surface, in twips. Pixels follow, rounded.
    float leftTwips() const { return m_left; }
    float topTwips() const { return m_top; }
    float widthTwips() const { return m_width; }
    float heightTwips() const { return m_height; }
    void setLeftTwips(float left);
    void setTopTwips(float top);
    void setWidthTwips(float width);
    void setHeightTwips(float height);
    /// Moves the box to (left, top), keeping its size.
    void moveTwips(float left, float top);
    /// Gives the box a new size, keeping its place.
    void resizeTwips(float width, float height);

    quint32 backColor() const { return m_backColor; }
    /// Throws std::invalid_argument, changing nothing, for a value that is no colour.
    void setBackColor(quint32 value);
    quint32 foreColor() const { return m_foreColor; }
    /// Throws std::invalid_argument, changing nothing, for a value that is no colour.
    void setForeColor(quint32 value);

    QString fontName() const;
    void setFontName(const QString& name);
    float fontSize() const;
    /// Throws std::invalid_argument, changing nothing, unless 0 < size <= MaxFontSize.
    void setFontSize(float size);

    /// How the box draws its panel (frame and background), for the border kept on the
    /// control's edges when the box is wider than the control.
    QStyleOptionFrame panelOption() const
    {
        QStyleOptionFrame option;
        initStyleOption(&option);
        return option;
    }

    /// Replaces the text and leaves the caret at its start, so that a text wider than
    /// the box shows its beginning.
    void setTextAtStart(const QString& text);

signals:
    /// A key went down. A handler may change KeyCode (0 drops the key's own action) or Shift.
    void KeyDown(qint16& KeyCode, qint16& Shift);
    /// A character arrived, as its ANSI code (see EventCodes::characterCode). A handler
    /// may change KeyAscii; 0 keeps the character out.
    void KeyPress(qint16& KeyAscii);
    /// A mouse button went down over the box; X and Y in twips from the box's corner.
    void MouseDown(qint16& Button, qint16& Shift, float& X, float& Y);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString filterCharacters(const QString& text);
    bool deliverCharacters(const QString& text);
    void placeOnSurface();
    void applyColors();

    float m_left = 0;
    float m_top = 0;
    float m_width = 0;
    float m_height = 0;
    quint32 m_backColor = ColorValue::WindowBackground;
    quint32 m_foreColor = ColorValue::WindowText;
};
