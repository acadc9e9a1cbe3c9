#pragma once

#include <QRect>
#include <QString>
#include <vector>

class QWidget;

/// What the study aids ask of the conversation screen they work on, and nothing more.
class StudyHost {
public:
    /// Where the study strip may lie: never over MUST_AVOID, over SHOULD_AVOID only when
    /// nothing else is free.
    struct StripBounds {
        std::vector<QRect> mustAvoid;
        std::vector<QRect> shouldAvoid;
    };

    /// The stage the aids' strip, notes, chart and key list are drawn on.
    virtual QWidget& stage() = 0;
    /// Runs ACCION as its key does (the strip's buttons).
    virtual void runStudyAction(int accion) = 0;
    /// Frees the screen's sounds while the device records or plays a take; takes them back.
    virtual void releaseSounds() = 0;
    virtual void restartSounds() = 0;
    /// Tells the learner TEXT in the message window over the screen.
    virtual void tell(const QString& text) = 0;
    /// Opens the glossary on the English TERM.
    virtual void openGlossaryOn(const QString& term) = 0;
    virtual StripBounds stripBounds() const = 0;

protected:
    ~StudyHost() = default;
};
