#pragma once

#include <QWidget>

class TextBox;

/// The inner box's border kept on the control's edges. The inner box is as wide as its
/// text and clipped by the control, so its own right border (or left one, scrolled) lies
/// out of sight and its text would run to the control's edge. Laid over the control, this
/// draws the box's frame and margin there, in the box's own style and colour, so that
/// the text stops inside a border as in any text box. It lets the mouse through.
class BoxBorder : public QWidget {
    Q_OBJECT

public:
    BoxBorder(TextBox& box, QWidget* surface);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextBox& m_box;
};
