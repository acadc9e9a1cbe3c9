#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

/// Generates a course's media from a recipe file, one recipe a line:
///   KIND OUTPUT key=value key="a quoted value" ...
/// OUTPUT is relative to the course folder. Lines starting with '#' are comments.
/// Kinds:
///   tone    freq=HZ seconds=S [gain=DB] [fade=S]      a sine tone (sox)
///   speech  lang=en|es text="..." [speed=WPM]          spoken text (espeak-ng), PCM WAV
///   melody  notes="C4 E4 G4 -" [step=S] [gain=DB]     plucked notes ('-' a rest), reverberated
///   hand                                               the hand pointer icon of the buttons
///   picture size=WxH fill=#rrggbb [text="..."] [ink=#rrggbb] [font=PX] [margin=PX]
///           [buttons="x,y,w,h,label[,px];..."] [buttonfont=PX]
///                                                      a flat picture with centred text, and
///                                                      buttons drawn at rest on it
class MediaRecipes {
public:
    MediaRecipes(const QString& source, const QString& output);

    /// Runs every recipe of FILE; throws CourseError naming the file and line that failed.
    void run(const QString& file);

    /// One recipe's arguments.
    struct Recipe {
        QString kind;
        QString output; ///< absolute path of the file to make
        QHash<QString, QString> args;
        QString arg(const QString& key, const QString& fallback = {}) const { return args.value(key, fallback); }
        /// Throws CourseError when KEY is missing.
        QString required(const QString& key) const;
    };

    /// Splits one recipe line into its words, honouring double quotes.
    static QStringList splitWords(const QString& line);

    /// True when FILE is a RIFF WAVE file holding plain PCM samples.
    static bool isPcmWave(const QString& file);
    /// Writes a 16-bit PCM copy of the WAV FILE to TARGET (sox); other codings mis-time in GStreamer.
    static void convertToPcm(const QString& file, const QString& target);
    /// Runs PROGRAM with ARGUMENTS and returns its standard output, trimmed; throws
    /// CourseError with its error output when it fails.
    static QString runTool(const QString& program, const QStringList& arguments);

    using Maker = std::function<void(const Recipe&)>;
    /// Adds a recipe kind; the media of later screens register theirs here.
    void addKind(const QString& kind, Maker maker);

private:
    QString m_source;
    QString m_output;
    QHash<QString, Maker> m_makers;
};
