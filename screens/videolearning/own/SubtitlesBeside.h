#pragma once

#include <QString>

/// Whether a video has a subtitle file of a language beside it under one of the usual
/// names ("film.en.srt", "film.eng.vtt", "film.spa.ass", "film.es-ES.srt"...), so that
/// the learner is asked for one only when there is none to find.
namespace SubtitlesBeside {

enum class Language { English, Spanish };

/// The first such file beside VIDEO for LANGUAGE, empty when there is none.
QString find(const QString& video, Language language);

} // namespace SubtitlesBeside
