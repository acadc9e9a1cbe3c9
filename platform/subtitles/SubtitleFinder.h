#pragma once

#include <QString>

/// Finds the subtitle files a learner keeps beside a video under the usual names: the
/// video's name, a language tag and a subtitle extension ("film.en.srt", "film.eng.vtt",
/// "film.spa.ass", "film.es-419.srt", "film.English.srt", "film.en.sdh.srt"). Tags for
/// English: en, eng, english, inglés; for Spanish: es, spa, esp, spanish, español,
/// castellano; a region after "-" or "_" is ignored. Forced tracks (only the lines of
/// another language) are passed over. Of several files for one language, SubRip comes
/// before WebVTT, then ASS, then SSA, and a name without more tags before one with them.
class SubtitleFinder {
public:
    enum class Language { None, English, Spanish };

    struct Found {
        QString english; ///< empty when none was found
        QString spanish;
    };

    static Found beside(const QString& video);
    /// The language a tag of those above names (also a video track's language tag).
    static Language languageOf(QString tag);
};
