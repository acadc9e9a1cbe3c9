#include "ProgressReport.h"

#include <QStringList>
#include <algorithm>

namespace {

QString csvCell(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r\n").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    // A bare carriage return ends a row for many readers as surely as a line feed does.
    static const QString quoted = QStringLiteral(",\"\n\r'");
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return quoted.contains(c); }))
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text;
}

QString when(const QDateTime& t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

QString best(const LearnerProgress& l)
{
    return l.bestPercent ? QString::number(*l.bestPercent) : QString();
}

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

QString ProgressReport::csv(const ClassProgress& progress)
{
    QStringList header { QStringLiteral("Alumno") };
    for (const ReportChapter& c : progress.chapters())
        header << csvCell(c.name + QStringLiteral(" (de %1)").arg(c.lessons.size()));
    header << QStringLiteral("Intentos de la prueba") << QStringLiteral("Mejor %") << QStringLiteral("Última actividad");
    QStringList lines { header.join(QLatin1Char(',')) };
    for (const LearnerProgress& l : progress.learners()) {
        QStringList row { csvCell(l.name) };
        for (const ReportChapter& c : progress.chapters())
            row << QString::number(l.visitedIn(c));
        row << QString::number(l.attempts) << best(l) << when(l.lastActivity);
        lines << row.join(QLatin1Char(','));
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString ProgressReport::html(const ClassProgress& progress, const QString& title)
{
    const std::vector<LearnerProgress> learners = progress.learners();
    QString page;
    page += QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
        "<title>%1</title>\n<style>\n"
        "body{font-family:sans-serif;margin:2em;color:#222}\n"
        "table{border-collapse:collapse;margin:1em 0}td,th{border:1px solid #bbb;padding:.3em .6em;text-align:left}\n"
        "section.chapter{margin:1.5em 0}svg .bar{fill:#3a78c2}svg text{font-size:12px}\n"
        "</style>\n</head>\n<body>\n<h1>%1</h1>\n")
                .arg(esc(title));

    page += QStringLiteral("<table id=\"learners\">\n<tr><th>Alumno</th><th>Lecciones vistas</th><th>Intentos de la prueba</th>"
                           "<th>Mejor %</th><th>Última actividad</th></tr>\n");
    for (const LearnerProgress& l : learners) {
        int seen = 0;
        int total = 0;
        for (const ReportChapter& c : progress.chapters()) {
            seen += l.visitedIn(c);
            total += int(c.lessons.size());
        }
        // One pass of arg() with every value: a name holding "%4" stays as it is.
        page += QStringLiteral("<tr class=\"learner\"><td>%1</td><td>%2 de %3</td><td>%4</td><td>%5</td><td>%6</td></tr>\n")
                    .arg(esc(l.name), QString::number(seen), QString::number(total), QString::number(l.attempts), best(l), when(l.lastActivity));
    }
    page += QStringLiteral("</table>\n");

    // One chart per chapter: a bar per learner, as long as his share of its lessons.
    constexpr int labelWidth = 180, barWidth = 360, rowHeight = 22;
    for (const ReportChapter& c : progress.chapters()) {
        const int height = rowHeight * int(learners.size()) + 8;
        page += QStringLiteral("<section class=\"chapter\" data-chapter=\"%1\">\n<h2>%2</h2>\n"
                               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%3\" height=\"%4\" role=\"img\" aria-label=\"%2\">\n")
                    .arg(QString::number(c.number), esc(c.name), QString::number(labelWidth + barWidth + 80), QString::number(height));
        int y = 4;
        for (const LearnerProgress& l : learners) {
            const int seen = l.visitedIn(c);
            const int total = int(c.lessons.size());
            const int width = total ? barWidth * seen / total : 0;
            page += QStringLiteral("<text x=\"0\" y=\"%1\">%2</text>"
                                   "<rect class=\"bar\" data-learner=\"%2\" x=\"%3\" y=\"%4\" width=\"%5\" height=\"%6\"><title>%2: %7 de %8</title></rect>"
                                   "<text x=\"%9\" y=\"%1\">%7/%8</text>\n")
                        .arg(QString::number(y + 14), esc(l.name), QString::number(labelWidth), QString::number(y + 2), QString::number(std::max(width, 1)),
                            QString::number(rowHeight - 6), QString::number(seen), QString::number(total), QString::number(labelWidth + barWidth + 8));
            y += rowHeight;
        }
        page += QStringLiteral("</svg>\n</section>\n");
    }
    page += QStringLiteral("</body>\n</html>\n");
    return page;
}
