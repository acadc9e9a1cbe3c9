#pragma once

#include <QWidget>

class Trace;

/// The one top-level window: it fills the display in the colour the screen in front
/// asks for, and holds the centred 640 x 480 stage that the screens live on.
class ScreenHost : public QWidget {
    Q_OBJECT

public:
    static constexpr int StageWidth = 640;
    static constexpr int StageHeight = 480;

    explicit ScreenHost(Trace& trace, QWidget* parent = nullptr);

    /// The 640 x 480 drawing area that screens are children of.
    QWidget* stage() const { return m_stage; }

    /// Colours the window around the stage (black or white in the course).
    void setBackdrop(const QColor& colour);

    /// Fills the display, centres the stage and records where it landed.
    void showOnDisplay();

    /// Brings the window back to the front, as when a second copy of the program starts.
    void restore();

private:
    Trace& m_trace;
    QWidget* m_stage = nullptr;
};
