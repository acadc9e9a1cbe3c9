#pragma once

#include <QString>
#include <QStringList>

/// The plain text of a subtitle's lines, as the learner reads it: formatting tags,
/// positioning and styling codes dropped, the lines joined by one space.
namespace SubtitleMarkup {

/// SubRip and WebVTT lines: <i>, <b>, <font …>, <c.class>, <v Speaker>, <lang …>, inline
/// times, ruby readings (<rt>…</rt>) and the {\an8}-style codes some SubRip files carry
/// dropped; the entities &amp; &lt; &gt; &nbsp; &quot; &apos; &lrm; &rlm; and &#N; read.
/// A "<" that opens no tag stays as it is.
QString fromTagged(const QStringList& lines);

/// The text field of an SSA/ASS dialogue line: every {…} block dropped (override codes and
/// comments), drawings ({\p1}…{\p0}) dropped, \N and \n as line breaks, \h as a space.
QString fromSsa(const QString& text);

} // namespace SubtitleMarkup
