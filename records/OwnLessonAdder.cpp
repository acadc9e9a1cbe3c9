#include "OwnLessonAdder.h"
#include "EmbeddedSubtitles.h"
#include "OwnLessonDatabase.h"
#include "PhrasePairing.h"
#include "SpanishCount.h"
#include "SubtitleFinder.h"
#include "SubtitleReader.h"

#include <QFileInfo>

namespace {

QString nameOf(const QString& file)
{
    return QFileInfo(file).fileName();
}

OwnLessons::Added refused(const QString& error, const QString& detail = {})
{
    OwnLessons::Added added;
    added.error = error;
    added.detail = detail;
    return added;
}

} // namespace

OwnLessonAdder::OwnLessonAdder(QString databaseFile, Probe probe, TrackReader tracks)
    : m_databaseFile(std::move(databaseFile))
    , m_probe(std::move(probe))
    , m_tracks(std::move(tracks))
{
}

QString OwnLessonAdder::printable(const QString& text)
{
    // A subtitle file may carry control characters (a NUL, an escape) that no box shows
    // and that would cut the text short elsewhere: they go; a tab or a line break is a space.
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r'))
            kept += QLatin1Char(c == QLatin1Char('\n') ? '\n' : ' ');
        else if (c.category() != QChar::Other_Control)
            kept += c;
    }
    return kept;
}

QList<OwnLessons::Phrase> OwnLessonAdder::phrasesOf(const SubtitleCues& english, const SubtitleCues& spanish)
{
    const QList<PairedPhrase> paired = PhrasePairing::pair(english, spanish);
    QList<OwnLessons::Phrase> phrases;
    phrases.reserve(paired.size());
    for (const PairedPhrase& phrase : paired)
        phrases.append({ qint32(phrase.startMs), printable(phrase.english), printable(phrase.spanish), qint32(phrase.endMs) });
    return phrases;
}

bool OwnLessonAdder::read(const QString& file, Subtitles& into, OwnLessons::Added& added) const
{
    if (file.isEmpty())
        return true;
    const SubtitleReader::Result result = SubtitleReader::read(file);
    if (!result.error.isEmpty()) {
        added.error = result.error;
        added.detail = result.detail;
        return false;
    }
    into.source = QFileInfo(file).absoluteFilePath();
    into.cues = result.cues;
    const QString name = nameOf(file);
    if (result.unreadable > 0)
        added.notes.append(SpanishCount::word(result.unreadable,
            QStringLiteral("%1: 1 subtítulo con horas que no se pueden leer se ha dejado fuera.").arg(name),
            QStringLiteral("%1: %2 subtítulos con horas que no se pueden leer se han dejado fuera.").arg(name).arg(result.unreadable)));
    if (result.mended > 0)
        added.notes.append(SpanishCount::word(result.mended,
            QStringLiteral("%1: 1 subtítulo acababa antes de empezar; se ha corregido.").arg(name),
            QStringLiteral("%1: %2 subtítulos acababan antes de empezar; se han corregido.").arg(name).arg(result.mended)));
    return true;
}

bool OwnLessonAdder::readTracks(const QString& video, Subtitles& english, Subtitles& spanish, OwnLessons::Added& added, int& others) const
{
    const EmbeddedSubtitles::Result result = m_tracks(video);
    if (!result.error.isEmpty()) {
        added.error = result.error;
        added.detail = result.detail;
        return false;
    }
    for (const EmbeddedSubtitles::Track& track : result.tracks) {
        const SubtitleFinder::Language language = SubtitleFinder::languageOf(track.language);
        Subtitles& into = language == SubtitleFinder::Language::English ? english : spanish;
        if (language == SubtitleFinder::Language::None)
            ++others;
        if (language == SubtitleFinder::Language::None || !into.source.isEmpty())
            continue;
        into.source = QStringLiteral("%1#%2").arg(video).arg(track.number);
        into.cues = track.cues;
        if (track.cut)
            added.notes.append(QStringLiteral("La pista de subtítulos %1 del vídeo es demasiado larga: se ha leído solo su principio.").arg(track.number));
    }
    return true;
}

OwnLessons::Added OwnLessonAdder::add(const OwnLessons::Request& request) const
{
    const QFileInfo videoInfo(request.video);
    if (request.video.isEmpty() || !videoInfo.isFile())
        return refused(OwnLessons::notAVideoFileText(request.video.isEmpty() ? request.video : videoInfo.absoluteFilePath()),
            QStringLiteral("no file %1").arg(request.video));
    const QString video = videoInfo.absoluteFilePath();

    OwnLessons::Added added;
    const SubtitleFinder::Found beside = SubtitleFinder::beside(video);
    Subtitles english;
    Subtitles spanish;
    if (!read(request.english.isEmpty() ? beside.english : request.english, english, added)
        || !read(request.spanish.isEmpty() ? beside.spanish : request.spanish, spanish, added))
        return added;

    const VideoProbe::Facts facts = m_probe(video);
    if (!facts.decodes)
        return refused(QStringLiteral("No se puede reproducir el vídeo «%1»: no es un vídeo o está en un formato que este "
                                      "ordenador no sabe leer.")
                           .arg(nameOf(video)),
            facts.detail);
    int otherTracks = 0;
    if ((english.source.isEmpty() || spanish.source.isEmpty()) && !readTracks(video, english, spanish, added, otherTracks))
        return added;

    const QList<OwnLessons::Phrase> phrases = phrasesOf(english.cues, spanish.cues);
    if (phrases.isEmpty())
        return refused(QStringLiteral("El vídeo «%1» no tiene subtítulos en inglés ni en español.").arg(nameOf(video))
            + (otherTracks > 0 ? QStringLiteral(" Lleva %1 de subtítulos en otro idioma o sin idioma: elige tú los archivos.")
                                     .arg(otherTracks == 1 ? QStringLiteral("una pista") : QStringLiteral("%1 pistas").arg(otherTracks))
                               : QString()));
    if (english.cues.isEmpty())
        added.notes.append(QStringLiteral("Sin subtítulos en inglés."));
    if (spanish.cues.isEmpty())
        added.notes.append(QStringLiteral("Sin subtítulos en español."));
    // Subtitles of another film, or of another cut, start after this video ends.
    if (facts.durationMs > 0 && phrases.last().mseg > facts.durationMs)
        added.notes.append(QStringLiteral("Algunos subtítulos empiezan después del final del vídeo: ¿son de este vídeo?"));

    OwnLessons::Lesson lesson;
    lesson.title = request.title.simplified();
    if (lesson.title.isEmpty())
        lesson.title = videoInfo.completeBaseName().simplified();
    lesson.title.truncate(MaxTitleLength);
    lesson.video = video;
    lesson.english = english.source;
    lesson.spanish = spanish.source;
    lesson.durationMs = facts.durationMs;
    lesson.width = facts.width;
    lesson.height = facts.height;
    lesson.phraseCount = int(phrases.size());
    lesson.added = QDateTime::currentDateTimeUtc();

    OwnLessonDatabase database(m_databaseFile);
    const OwnLessonDatabase::Written written = database.insert(lesson, phrases);
    if (!written.ok) {
        added.notes.clear();
        added.error = written.error;
        added.detail = written.detail;
        return added;
    }
    lesson.number = written.number;
    added.lesson = lesson;
    return added;
}
