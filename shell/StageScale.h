#pragma once

#include <QSize>
#include <QString>
#include <optional>

/// How much bigger than 640 x 480 the stage is drawn on the display. Everything the course
/// computes stays in stage pixels; only the drawing is scaled, by Qt's device pixel ratio.
class StageScale {
public:
    enum class Mode {
        Largest, ///< the largest whole factor that fits the display (the default)
        Fixed,   ///< a factor given on the command line
        Fit,     ///< fills the display keeping the stage's shape, pictures smoothed
    };

    StageScale() = default;

    /// Reads the value of --scale: a whole factor from 1 to 16, or "fit". Empty when the
    /// text is neither.
    static std::optional<StageScale> parse(const QString& text);

    Mode mode() const { return m_mode; }

    /// Whether the factor can be known only once the display's size is known.
    bool needsDisplay() const { return m_mode != Mode::Fixed; }

    /// The factor for a display of the given size in device pixels (never below 1).
    double factorFor(const QSize& display) const;

    /// Chooses the factor and sets it up for the application about to be made from these
    /// arguments; returns it. Must run before the QApplication exists: Qt reads its scale
    /// once, when it starts. Where the display is needed, the X server is asked for its
    /// primary screen when Qt is going to use X; on any other platform a short-lived
    /// application measures it. The desktop's own scaling is turned off, so that the
    /// factor is exactly this one.
    double applyBeforeApplication(int argc, char** argv) const;

private:
    StageScale(Mode mode, int factor) : m_mode(mode), m_factor(factor) { }

    Mode m_mode = Mode::Largest;
    int m_factor = 1;
};
