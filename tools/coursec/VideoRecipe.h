#pragma once

#include "MediaRecipes.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

/// The recipe kind "video": an AVI (MPEG-4 part 2 video, PCM sound) of drawn frames and
/// spoken English, each caption appearing when its sentence is spoken.
///   video OUTPUT.avi size=WxH lines="First sentence.|Second sentence." style=titles|speaker
///         [title="..."] [name="..."] [speed=WPM] [pause=S] [fps=N]
///         [names="Ann|Tom"] [voices="en-us|en-gb"] [captions=no] [starts="600,2900,..."]
/// The phrase times come from the measured lengths of the generated speech. A
/// conversation gives its speakers in names= and voices=: line i is spoken by speaker
/// i modulo their number, each in a room of its own. starts= (milliseconds) is checked
/// against the measured starts, so that rows written by hand for the phrases of the
/// video cannot drift from it.
class VideoRecipe {
public:
    enum class Style { Titles, Speaker };

    /// One spoken sentence and where it lies in the sound track, in seconds.
    struct Phrase {
        QString text;
        double start = 0;
        double length = 0;
        int speaker = 0;
    };

    /// Makes the video of RECIPE; throws CourseError naming what is wrong.
    static void make(const MediaRecipes::Recipe& recipe);

    /// The length in seconds of the sound file FILE, as soxi measures it.
    static double soundLength(const QString& file);

private:
    struct Frame {
        QSize size;
        Style style = Style::Titles;
        QString title;
        QString name;
        QStringList names; ///< one per speaker of a conversation
        bool captions = true;
        QList<Phrase> phrases;
        double time = 0;
        double loudness = 0; ///< 0–1, the speech's level at this frame
    };
    static QImage drawFrame(const Frame& frame);
    /// Throws CourseError naming the measured starts when starts= disagrees with them.
    static void checkStarts(const MediaRecipes::Recipe& recipe, const QList<Phrase>& phrases);
    static void drawTitles(QPainter& painter, const Frame& frame, int current);
    static void drawSpeaker(QPainter& painter, const Frame& frame, int current);
    static void drawCaption(QPainter& painter, const Frame& frame, const QString& text, qreal opacity);
};
