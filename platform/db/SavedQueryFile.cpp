#include "SavedQueryFile.h"

#include <QFile>
#include <QRegularExpression>

QList<SavedQuery> SavedQueryFile::parse(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("^--\\s*query:\\s*(\\S+)\\s*$"), QRegularExpression::MultilineOption);
    QList<SavedQuery> queries;
    QRegularExpressionMatchIterator it = marker.globalMatch(text);
    QList<QRegularExpressionMatch> matches;
    while (it.hasNext())
        matches << it.next();
    for (qsizetype i = 0; i < matches.size(); ++i) {
        const qsizetype start = matches[i].capturedEnd();
        const qsizetype end = i + 1 < matches.size() ? matches[i + 1].capturedStart() : text.size();
        QStringList lines;
        const QStringList body = text.mid(start, end - start).split(QLatin1Char('\n'));
        for (const QString& line : body) {
            if (!line.trimmed().startsWith(QLatin1String("--")))
                lines << line;
        }
        QString sql = lines.join(QLatin1Char('\n')).trimmed();
        while (sql.endsWith(QLatin1Char(';')))
            sql.chop(1);
        queries << SavedQuery { matches[i].captured(1), sql.trimmed() };
    }
    return queries;
}

QList<SavedQuery> SavedQueryFile::playerDefinitions()
{
    QList<SavedQuery> queries;
    for (const char* file : { ":/tamsel/schema/content-queries.sql", ":/tamsel/schema/learner-queries.sql" }) {
        QFile f(QString::fromLatin1(file));
        if (f.open(QIODevice::ReadOnly))
            queries += parse(QString::fromUtf8(f.readAll()));
    }
    return queries;
}
