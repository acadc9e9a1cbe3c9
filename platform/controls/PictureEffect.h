#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

class QVariantAnimation;

/// A picture surface that changes its picture with a transition effect: the transition
/// control of the transition window, the navigation box `CajaNav` and the big picture.
///
/// setPictureFile() shows a picture at once. setPicture() runs the effect from the frame
/// shown so far to the new picture and then raises notify(). Before the first picture the
/// widget shows only its colour, so the first transition of a run starts from that colour.
///
/// One notify() per effect that reaches its end: a picture given while an effect runs
/// takes the effect over, starting again from the frame on screen at that moment, and the
/// picture it replaced raises no notify() of its own. (On the way to the main map the
/// picture is given twice in a row; the learner sees one transition and the target screen
/// is shown once.) notify() always comes from the event loop, never from inside setPicture().
///
/// The course sets the effect by the numbers of the component it was written against.
/// Their meaning in this widget, applied by applyCourseSetting():
///
/// | number | course value   | our setting                                               |
/// |--------|----------------|-----------------------------------------------------------|
/// | 52, 77 | 28             | setEffect(effectForNumber(28)) = Effect::Dissolve          |
/// | 6, 8   | 0              | setEffectSteps(0): a smooth effect                         |
/// | 7, 9   | 9              | setEffectDuration(durationForSpeed(9)) = 400 ms            |
/// | 62     | False          | setEffectStart(EffectStart::ShownPicture)                  |
/// | 78,150 | True           | setNotifyEnabled(true)                                     |
/// | 5      | 1              | setPictureMode(PictureMode::Natural)                       |
/// | 75     | white          | setColour(Qt::white)                                       |
/// | 51     | a file path    | setPictureFile(path)                                       |
/// | 4      | a picture      | setPicture(picture)                                        |
/// | 89     | (method)       | nothing: the widget needs no preparation after placing     |
class PictureEffect : public QWidget {
    Q_OBJECT

public:
    enum class Effect {
        Cut, ///< the new picture replaces the old at once (notify() still follows)
        Dissolve, ///< the new picture fades in over the old one
        Wipe, ///< the new picture is uncovered from left to right
    };
    /// Where an effect starts: from the frame shown, or from the bare colour each time.
    enum class EffectStart { ShownPicture, Colour };
    /// How a picture is placed: at its own size from the top-left corner (the colour
    /// around it), or scaled to fill the widget.
    enum class PictureMode { Stretched, Natural };
    Q_ENUM(Effect)
    Q_ENUM(EffectStart)
    Q_ENUM(PictureMode)

    explicit PictureEffect(QWidget* parent = nullptr);
    ~PictureEffect() override;

    /// Shows the picture in FILE at once, without an effect and without notify() (a running
    /// effect is finished first). When the file cannot be loaded the widget shows only its
    /// colour and CourseError is thrown naming the file.
    void setPictureFile(const QString& file);
    QString pictureFile() const { return m_pictureFile; }

    /// Runs the effect from the frame shown to PICTURE, then raises notify() (see above).
    void setPicture(const QPixmap& picture);
    /// The picture shown, or being moved to while an effect runs; null before the first.
    QPixmap picture() const { return m_picture; }

    /// Colour shown where no picture covers the widget; black at the start.
    void setColour(const QColor& colour);
    QColor colour() const { return m_colour; }
    void setPictureMode(PictureMode mode);
    PictureMode pictureMode() const { return m_pictureMode; }

    // Effect settings; they stay until changed. Defaults: Dissolve, 400 ms, smooth,
    // from the shown picture, notify on.

    void setEffect(Effect effect) { m_effect = effect; }
    Effect effect() const { return m_effect; }
    /// Length of an effect in milliseconds; 0 (or less) makes every effect a cut.
    void setEffectDuration(int milliseconds) { m_duration = std::max(milliseconds, 0); }
    int effectDuration() const { return m_duration; }
    /// 0 for a smooth effect; N > 0 draws it in N visible steps.
    void setEffectSteps(int steps) { m_steps = std::max(steps, 0); }
    int effectSteps() const { return m_steps; }
    void setEffectStart(EffectStart start) { m_effectStart = start; }
    EffectStart effectStart() const { return m_effectStart; }
    /// With notify off, effects end silently.
    void setNotifyEnabled(bool on) { m_notifyEnabled = on; }
    bool isNotifyEnabled() const { return m_notifyEnabled; }

    /// True from setPicture() until its notify() is due.
    bool isRunning() const { return m_running; }
    /// Ends the running effect at once: the new picture is shown and notify() raised now.
    /// Does nothing when no effect runs.
    void finishEffect();

    /// The course's effect numbers: 0 a cut, 1 a wipe, any other (28 among them) a dissolve.
    static Effect effectForNumber(int number);
    /// The course's speeds, 1 (slow) to 10 (fast): (11 − speed) × 200 ms, so 9 is 400 ms.
    /// Speeds outside 1..10 are held to them.
    static int durationForSpeed(int speed);
    /// Applies one of the course's numbered settings by the table above. Returns false for
    /// a number or value this widget does not know (the setting is then ignored, as the
    /// course ignores failures of these settings). May throw as setPictureFile() does.
    bool applyCourseSetting(int number, const QVariant& value);

Q_SIGNALS:
    /// The effect started by setPicture() has run to its end.
    void notify();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintFrame(QPainter& painter) const;
    void drawPicture(QPainter& painter, const QPixmap& picture) const;
    QPixmap blankFrame() const;
    QPixmap pictureFrame(const QPixmap& picture) const;
    QPixmap shownFrame() const;
    void complete(int generation);

    QColor m_colour = Qt::black;
    PictureMode m_pictureMode = PictureMode::Natural;
    QString m_pictureFile;
    QPixmap m_picture; // the picture shown, or the target of the running effect
    QPixmap m_from; // while an effect runs: the frame it starts from
    QPixmap m_to; // while an effect runs: the frame it ends on (colour and new picture)

    Effect m_effect = Effect::Dissolve;
    int m_duration = 400;
    int m_steps = 0;
    EffectStart m_effectStart = EffectStart::ShownPicture;
    bool m_notifyEnabled = true;

    QVariantAnimation* m_animation = nullptr;
    double m_progress = 1.0; // 0 shows m_from, 1 shows m_picture
    bool m_running = false;
    int m_generation = 0; // tells a stale end of a replaced effect from the current one
};
