#include "JetSqlTranslator.h"

#include "CourseError.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

QString sqlText(const QString& text)
{
    QString copy = text;
    return QLatin1Char('\'') + copy.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QString jetDateLiteral(const QString& body)
{
    const QString text = body.trimmed();
    static const QStringList formats { QStringLiteral("M/d/yyyy H:mm:ss"), QStringLiteral("M/d/yyyy H:mm"),
        QStringLiteral("M/d/yyyy"), QStringLiteral("yyyy-M-d H:mm:ss"), QStringLiteral("yyyy-M-d"),
        QStringLiteral("M/d/yyyy h:mm:ss AP"), QStringLiteral("M/d/yyyy h:mm AP") };
    for (const QString& format : formats) {
        const QDateTime moment = QDateTime::fromString(text, format);
        if (moment.isValid())
            return sqlText(moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    throw CourseError(QStringLiteral("the date #%1# is not in a form this translator knows").arg(text));
}

const QMap<QString, QString>& functions()
{
    static const QMap<QString, QString> map {
        { QStringLiteral("iif"), QStringLiteral("iif") }, { QStringLiteral("nz"), QStringLiteral("coalesce") },
        { QStringLiteral("mid"), QStringLiteral("substr") }, { QStringLiteral("len"), QStringLiteral("length") },
        { QStringLiteral("ucase"), QStringLiteral("upper") }, { QStringLiteral("lcase"), QStringLiteral("lower") },
        { QStringLiteral("trim"), QStringLiteral("trim") }, { QStringLiteral("ltrim"), QStringLiteral("ltrim") },
        { QStringLiteral("rtrim"), QStringLiteral("rtrim") }, { QStringLiteral("abs"), QStringLiteral("abs") },
        { QStringLiteral("count"), QStringLiteral("count") }, { QStringLiteral("sum"), QStringLiteral("sum") },
        { QStringLiteral("min"), QStringLiteral("min") }, { QStringLiteral("max"), QStringLiteral("max") },
        { QStringLiteral("avg"), QStringLiteral("avg") },
    };
    return map;
}

// Nz with one argument means "" or 0 as the context wants: no faithful SQL for it.
void checkNzArguments(const QString& expression, qsizetype open)
{
    int depth = 0;
    bool quoted = false;
    QChar quote;
    for (qsizetype i = open; i < expression.size(); ++i) {
        const QChar c = expression.at(i);
        if (quoted) {
            if (c == quote)
                quoted = false;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('[')) {
            quoted = true;
            quote = c == QLatin1Char('[') ? QLatin1Char(']') : c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')') && --depth == 0) {
            break;
        } else if (c == QLatin1Char(',') && depth == 1) {
            return;
        }
    }
    throw CourseError(QStringLiteral("Nz with one argument has no translation"));
}

} // namespace

JetSqlTranslator::JetSqlTranslator(const QMap<QString, QString>& parameters)
{
    for (auto it = parameters.begin(); it != parameters.end(); ++it)
        m_parameters.insert(it.key().toLower(), it.value());
}

QString JetSqlTranslator::parameterName(const QString& jetName)
{
    QString name = jetName.trimmed();
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    static const QRegularExpression other(QStringLiteral("[^\\w]"), QRegularExpression::UseUnicodePropertiesOption);
    name.replace(other, QStringLiteral("_"));
    return name;
}

QString JetSqlTranslator::quotedName(const QString& name)
{
    QString bare = name.trimmed();
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    return QLatin1Char('"') + bare.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString JetSqlTranslator::parameterReference(const QString& name) const
{
    const auto type = m_parameters.constFind(name.toLower());
    if (type == m_parameters.constEnd())
        return {};
    const QString reference = QLatin1Char(':') + parameterName(name);
    return type->isEmpty() ? reference : QStringLiteral("cast(%1 as %2)").arg(reference, *type);
}

QString JetSqlTranslator::translate(const QString& expression) const
{
    QString out;
    qsizetype i = 0;
    const qsizetype n = expression.size();
    while (i < n) {
        const QChar c = expression.at(i);
        if (c.isSpace()) {
            out += c;
            ++i;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const qsizetype end = expression.indexOf(QLatin1Char(']'), i);
            if (end < 0)
                throw CourseError(QStringLiteral("a [name] is not closed in \"%1\"").arg(expression));
            const QString name = expression.mid(i + 1, end - i - 1);
            const QString parameter = parameterReference(name);
            out += parameter.isEmpty() ? quotedName(name) : parameter;
            i = end + 1;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            QString text;
            qsizetype j = i + 1;
            for (;; ++j) {
                if (j >= n)
                    throw CourseError(QStringLiteral("a text literal is not closed in \"%1\"").arg(expression));
                if (expression.at(j) == c) {
                    if (j + 1 < n && expression.at(j + 1) == c) {
                        text += c;
                        ++j;
                        continue;
                    }
                    break;
                }
                text += expression.at(j);
            }
            out += sqlText(text);
            i = j + 1;
        } else if (c == QLatin1Char('#')) {
            const qsizetype end = expression.indexOf(QLatin1Char('#'), i + 1);
            if (end < 0)
                throw CourseError(QStringLiteral("a #date# is not closed in \"%1\"").arg(expression));
            out += jetDateLiteral(expression.mid(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == QLatin1Char(';')) {
            // A saved query is one statement: Jet writes no semicolon inside an expression,
            // and what would follow one is not the course's query.
            throw CourseError(QStringLiteral("a ; would end the statement in \"%1\"").arg(expression.left(200)));
        } else if (c == QLatin1Char('&')) {
            out += QStringLiteral("||");
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            qsizetype j = i;
            while (j < n && (expression.at(j).isLetterOrNumber() || expression.at(j) == QLatin1Char('_')))
                ++j;
            const QString word = expression.mid(i, j - i);
            const QString lower = word.toLower();
            qsizetype next = j;
            while (next < n && expression.at(next).isSpace())
                ++next;
            const bool call = next < n && expression.at(next) == QLatin1Char('(');
            const bool qualified = (i > 0 && expression.at(i - 1) == QLatin1Char('.')) || (j < n && expression.at(j) == QLatin1Char('.'));
            const QString parameter = qualified || call ? QString() : parameterReference(word);
            if (!parameter.isEmpty()) {
                out += parameter;
            } else if (lower == QLatin1String("like")) {
                // Jet's wildcards (* ? # [list] [!list]), without regard to case: the
                // stand-in's MATCH operator is the course's own like.
                out += QStringLiteral("match");
            } else if (lower == QLatin1String("true") || lower == QLatin1String("yes")) {
                out += QStringLiteral("-1");
            } else if (lower == QLatin1String("false") || lower == QLatin1String("no")) {
                out += QStringLiteral("0");
            } else if (lower == QLatin1String("mod")) {
                out += QStringLiteral("%");
            } else if (call) {
                const auto function = functions().constFind(lower);
                if (function == functions().constEnd())
                    throw CourseError(QStringLiteral("the function %1 has no translation").arg(word));
                if (lower == QLatin1String("nz"))
                    checkNzArguments(expression, next);
                out += *function;
            } else {
                out += word;
            }
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}
