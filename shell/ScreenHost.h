#pragma once

#include <QWidget>

class Trace;

/// The one top-level window: it fills the display in the colour the screen in front
/// asks for, and holds the centred 640 x 480 stage that the screens live on. Played in a
/// window instead, it is just the stage's size.
class ScreenHost : public QWidget {
    Q_OBJECT

public:
    static constexpr int StageWidth = 640;
    static constexpr int StageHeight = 480;

    enum class Presentation { FullScreen, Window };

    explicit ScreenHost(Trace& trace, Presentation presentation = Presentation::FullScreen, QWidget* parent = nullptr);

    Presentation presentation() const { return m_presentation; }

    /// The 640 x 480 drawing area that screens are children of.
    QWidget* stage() const { return m_stage; }

    /// Colours the window around the stage (black or white in the course).
    void setBackdrop(const QColor& colour);

    /// Fills the display (or opens the window), centres the stage and records in the trace
    /// where it landed, in the display's own pixels, and the factor it is drawn at.
    void showOnDisplay();

    /// Brings the window back to the front, as when a second copy of the program starts.
    void restore();

private:
    Trace& m_trace;
    Presentation m_presentation = Presentation::FullScreen;
    QWidget* m_stage = nullptr;
};
