#include "JetSqlTranslator.h"

#include "CourseError.h"
#include "JetValue.h"

#include <QRegularExpression>

namespace {

QString sqlText(const QString& text)
{
    QString copy = text;
    return QLatin1Char('\'') + copy.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QString jetDateLiteral(const QString& body)
{
    // As the engine reads a date in a query: US order, month first, a two-digit year
    // 00–29 in the 2000s and 30–99 in the 1900s; stored as the converter stores dates.
    const auto moment = JetValue::moment(body.trimmed());
    if (!moment)
        throw CourseError(QStringLiteral("the date #%1# is not in a form this translator knows").arg(body.trimmed()));
    return sqlText(JetValue::dateText(*moment));
}

// A function of Jet's expressions: its SQL name and how many arguments it takes.
struct Function {
    const char* sql;
    int least;
    int most;
};

const QMap<QString, Function>& functions()
{
    static const QMap<QString, Function> map {
        { QStringLiteral("iif"), { "iif", 3, 3 } }, { QStringLiteral("nz"), { "coalesce", 1, 2 } },
        { QStringLiteral("isnull"), { "", 1, 1 } },
        { QStringLiteral("mid"), { "substr", 2, 3 } }, { QStringLiteral("len"), { "length", 1, 1 } },
        { QStringLiteral("left"), { "jet_left", 2, 2 } }, { QStringLiteral("right"), { "jet_right", 2, 2 } },
        { QStringLiteral("ucase"), { "jet_ucase", 1, 1 } }, { QStringLiteral("lcase"), { "jet_lcase", 1, 1 } },
        { QStringLiteral("trim"), { "trim", 1, 1 } }, { QStringLiteral("ltrim"), { "ltrim", 1, 1 } }, { QStringLiteral("rtrim"), { "rtrim", 1, 1 } },
        { QStringLiteral("instr"), { "jet_instr", 2, 4 } }, { QStringLiteral("abs"), { "abs", 1, 1 } },
        { QStringLiteral("int"), { "jet_int", 1, 1 } }, { QStringLiteral("fix"), { "jet_fix", 1, 1 } },
        { QStringLiteral("ccur"), { "jet_ccur", 1, 1 } }, { QStringLiteral("cint"), { "jet_cint", 1, 1 } },
        { QStringLiteral("clng"), { "jet_clng", 1, 1 } }, { QStringLiteral("cdbl"), { "jet_cdbl", 1, 1 } },
        { QStringLiteral("csng"), { "jet_cdbl", 1, 1 } }, { QStringLiteral("cbool"), { "jet_cbool", 1, 1 } },
        { QStringLiteral("cstr"), { "jet_cstr", 1, 1 } }, { QStringLiteral("cdate"), { "jet_cdate", 1, 1 } },
        { QStringLiteral("cvdate"), { "jet_cdate", 1, 1 } }, { QStringLiteral("format"), { "jet_format", 1, 4 } },
        { QStringLiteral("year"), { "jet_year", 1, 1 } }, { QStringLiteral("month"), { "jet_month", 1, 1 } },
        { QStringLiteral("day"), { "jet_day", 1, 1 } }, { QStringLiteral("hour"), { "jet_hour", 1, 1 } },
        { QStringLiteral("minute"), { "jet_minute", 1, 1 } }, { QStringLiteral("second"), { "jet_second", 1, 1 } },
        { QStringLiteral("weekday"), { "jet_weekday", 1, 2 } }, { QStringLiteral("datepart"), { "jet_datepart", 2, 4 } },
        { QStringLiteral("dateserial"), { "jet_dateserial", 3, 3 } }, { QStringLiteral("val"), { "jet_val", 1, 1 } },
        { QStringLiteral("now"), { "", 0, 0 } }, { QStringLiteral("date"), { "", 0, 0 } }, { QStringLiteral("time"), { "", 0, 0 } },
        { QStringLiteral("jetconcat"), { "jet_concat", 2, 127 } },
        { QStringLiteral("dateadd"), { "jet_dateadd", 3, 3 } }, { QStringLiteral("datediff"), { "jet_datediff", 3, 5 } },
        { QStringLiteral("weekdayname"), { "jet_weekdayname", 1, 3 } }, { QStringLiteral("monthname"), { "jet_monthname", 1, 2 } },
        { QStringLiteral("first"), { "jet_first", 1, 1 } }, { QStringLiteral("last"), { "jet_last", 1, 1 } },
        { QStringLiteral("stdev"), { "jet_stdev", 1, 1 } }, { QStringLiteral("stdevp"), { "jet_stdevp", 1, 1 } },
        { QStringLiteral("var"), { "jet_var", 1, 1 } }, { QStringLiteral("varp"), { "jet_varp", 1, 1 } },
        { QStringLiteral("count"), { "count", 1, 1 } }, { QStringLiteral("sum"), { "sum", 1, 1 } },
        { QStringLiteral("min"), { "min", 1, 1 } }, { QStringLiteral("max"), { "max", 1, 1 } }, { QStringLiteral("avg"), { "avg", 1, 1 } },
    };
    return map;
}

// Words of Jet's SQL that a parenthesis may follow without their being a call:
// "a AND(b OR c)", "x IN (1, 2)", "EXISTS (SELECT …)".
bool isKeyword(const QString& lower)
{
    static const QStringList words { QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("not"), QStringLiteral("in"),
        QStringLiteral("exists"), QStringLiteral("select"), QStringLiteral("from"), QStringLiteral("where"), QStringLiteral("on"),
        QStringLiteral("as"), QStringLiteral("any"), QStringLiteral("all"), QStringLiteral("some"), QStringLiteral("between"),
        QStringLiteral("is"), QStringLiteral("union"), QStringLiteral("distinct"), QStringLiteral("by"), QStringLiteral("having"),
        QStringLiteral("join"), QStringLiteral("values"), QStringLiteral("set") };
    return words.contains(lower);
}

} // namespace

// Where the parenthesis opened at OPEN closes, literals, [names] and #dates# skipped.
qsizetype JetSqlTranslator::closingParenthesis(const QString& expression, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < expression.size(); ++i) {
        const QChar c = expression.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('[') || c == QLatin1Char('#')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            const qsizetype end = expression.indexOf(close, i + 1);
            if (end < 0)
                return -1;
            i = end;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')') && --depth == 0) {
            return i;
        }
    }
    return -1;
}

QStringList JetSqlTranslator::splitArguments(const QString& inner)
{
    QStringList arguments;
    int depth = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        const QChar c = inner.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('[') || c == QLatin1Char('#')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            const qsizetype end = inner.indexOf(close, i + 1);
            i = end < 0 ? inner.size() : end;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char(',') && depth == 0) {
            arguments << inner.mid(from, i - from);
            from = i + 1;
        }
    }
    const QString last = inner.mid(from);
    if (!arguments.isEmpty() || !last.trimmed().isEmpty())
        arguments << last;
    return arguments;
}

namespace {

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

namespace {

// A parameter's name as declared and as written are the same name: case and the
// brackets of "[Forms]![Orders]![OrderID]" aside.
QString parameterKey(const QString& name)
{
    QString key = name.trimmed().toLower();
    key.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    return key;
}

} // namespace

JetSqlTranslator::JetSqlTranslator(const QMap<QString, QString>& parameters)
{
    for (auto it = parameters.begin(); it != parameters.end(); ++it)
        m_parameters.insert(parameterKey(it.key()), it.value());
}

QString JetSqlTranslator::parameterName(const QString& jetName)
{
    QString name = jetName.trimmed();
    name.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
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

QString JetSqlTranslator::parameterReference(const QString& name, bool always) const
{
    const auto type = m_parameters.constFind(parameterKey(name));
    if (type == m_parameters.constEnd() && !always)
        return {};
    const QString reference = QLatin1Char(':') + parameterName(name);
    return type == m_parameters.constEnd() || type->isEmpty() ? reference : QStringLiteral("cast(%1 as %2)").arg(reference, *type);
}

bool JetSqlTranslator::isFormReference(const QString& expression, qsizetype at, qsizetype end)
{
    const QString word = expression.mid(at, end - at).remove(QLatin1Char('[')).remove(QLatin1Char(']')).toLower();
    return (word == QLatin1String("forms") || word == QLatin1String("reports")) && end < expression.size() && expression.at(end) == QLatin1Char('!');
}

QString JetSqlTranslator::formReference(const QString& expression, qsizetype& i) const
{
    // Forms!Orders!OrderID, [Forms]![Orders]![OrderID], Forms![Orders].[OrderID]: the
    // value of a control on an open form, which the player asks for as a parameter.
    QStringList segments;
    const qsizetype n = expression.size();
    for (;;) {
        if (i < n && expression.at(i) == QLatin1Char('[')) {
            const qsizetype close = expression.indexOf(QLatin1Char(']'), i);
            if (close < 0)
                throw CourseError(QStringLiteral("a [name] is not closed in \"%1\"").arg(expression));
            segments << expression.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const qsizetype from = i;
            while (i < n && isNameCharacter(expression.at(i)))
                ++i;
            if (i == from)
                throw CourseError(QStringLiteral("a reference to a form's control ends without its name in \"%1\"").arg(expression));
            segments << expression.mid(from, i - from);
        }
        if (i + 1 < n && (expression.at(i) == QLatin1Char('!') || expression.at(i) == QLatin1Char('.'))
            && (expression.at(i + 1) == QLatin1Char('[') || isNameCharacter(expression.at(i + 1)))) {
            ++i;
            continue;
        }
        break;
    }
    if (segments.size() < 3)
        throw CourseError(QStringLiteral("the reference %1 names no control of a form").arg(segments.join(QLatin1Char('!'))));
    return parameterReference(segments.join(QLatin1Char('!')), true);
}

namespace {

// Deeper than this, an expression is no query a person wrote: refused before the
// recursion could exhaust the stack.
constexpr int maxNesting = 200;

struct Nesting {
    int& depth;
    explicit Nesting(int& d, const QString& expression)
        : depth(d)
    {
        if (++depth > maxNesting) {
            --depth;
            throw CourseError(QStringLiteral("an expression nested more than %1 deep (\"%2…\")").arg(maxNesting).arg(expression.left(60)));
        }
    }
    ~Nesting() { --depth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
};

} // namespace

QString JetSqlTranslator::call(const QString& word, const QString& expression, qsizetype open, qsizetype& end) const
{
    const Nesting nesting(m_depth, expression);
    const QString lower = word.toLower();
    const Function& function = *functions().constFind(lower);
    const qsizetype close = closingParenthesis(expression, open);
    if (close < 0)
        throw CourseError(QStringLiteral("the ( of %1 is not closed in \"%2\"").arg(word, expression.left(200)));
    end = close + 1;
    QStringList arguments;
    for (const QString& argument : splitArguments(expression.mid(open + 1, close - open - 1)))
        arguments << translate(argument).trimmed();
    if (arguments.size() < function.least || arguments.size() > function.most)
        throw CourseError(QStringLiteral("%1 with %2 arguments, where it takes %3 to %4").arg(word).arg(arguments.size()).arg(function.least).arg(function.most));
    if (lower == QLatin1String("nz") && arguments.size() == 1)
        arguments << QStringLiteral("''"); // in a query, Nz of Null is a zero-length text
    if (lower == QLatin1String("isnull"))
        return QStringLiteral("iif(%1 is null, -1, 0)").arg(arguments.first());
    if (lower == QLatin1String("now"))
        return QStringLiteral("datetime('now', 'localtime')");
    if (lower == QLatin1String("date"))
        return QStringLiteral("(date('now', 'localtime') || ' 00:00:00')");
    if (lower == QLatin1String("time"))
        return QStringLiteral("('1899-12-30 ' || time('now', 'localtime'))");
    return QLatin1String(function.sql) + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
}

namespace {

// Words that end an operand of `&`: operators of lower precedence and the clauses of a
// select. A word followed by "(" is a call, and so part of an operand.
bool endsConcatenation(const QString& lower)
{
    static const QStringList words { QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("not"), QStringLiteral("xor"),
        QStringLiteral("eqv"), QStringLiteral("imp"), QStringLiteral("like"), QStringLiteral("is"), QStringLiteral("between"),
        QStringLiteral("in"), QStringLiteral("as"), QStringLiteral("select"), QStringLiteral("from"), QStringLiteral("where"),
        QStringLiteral("having"), QStringLiteral("group"), QStringLiteral("order"), QStringLiteral("by"), QStringLiteral("on"),
        QStringLiteral("union"), QStringLiteral("all"), QStringLiteral("distinct"), QStringLiteral("distinctrow"), QStringLiteral("top"),
        QStringLiteral("join"), QStringLiteral("inner"), QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("outer"),
        QStringLiteral("asc"), QStringLiteral("desc"), QStringLiteral("exists"), QStringLiteral("any"), QStringLiteral("some"),
        QStringLiteral("set"), QStringLiteral("values") };
    return words.contains(lower);
}

} // namespace

QString JetSqlTranslator::concatenations(const QString& expression, int depth)
{
    if (depth > maxNesting)
        throw CourseError(QStringLiteral("an expression nested more than %1 deep (\"%2…\")").arg(maxNesting).arg(expression.left(60)));
    // Jet's `&` takes Null as an empty text (Null only when both are) and writes numbers
    // as Jet does; SQLite's || gives Null for either. Each run a & b & c (operands bound
    // tighter than comparisons, looser than arithmetic) becomes JetConcat(a, b, c).
    if (!expression.contains(QLatin1Char('&')))
        return expression;
    QString out;
    QStringList operands;
    QString current;
    const auto flush = [&] {
        if (operands.isEmpty()) {
            out += current;
        } else {
            operands << current;
            // Blanks around the run stay where they were.
            const QString first = operands.first();
            const QString last = operands.last();
            const qsizetype lead = first.size() - QString(first).remove(QRegularExpression(QStringLiteral("^\\s+"))).size();
            const qsizetype trail = last.size() - QString(last).remove(QRegularExpression(QStringLiteral("\\s+$"))).size();
            QStringList trimmed;
            for (const QString& operand : operands)
                trimmed << operand.trimmed();
            out += first.left(lead) + QStringLiteral("JetConcat(") + trimmed.join(QStringLiteral(", ")) + QLatin1Char(')') + last.right(trail);
        }
        operands.clear();
        current.clear();
    };
    const qsizetype n = expression.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = expression.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('[') || c == QLatin1Char('#')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype end = expression.indexOf(close, i + 1);
            // A doubled quote inside a literal is the quote itself.
            while (end >= 0 && close != QLatin1Char(']') && close != QLatin1Char('#') && end + 1 < n && expression.at(end + 1) == close)
                end = expression.indexOf(close, end + 2);
            if (end < 0)
                end = n - 1; // the translator says what is not closed
            current += expression.mid(i, end + 1 - i);
            i = end + 1;
        } else if (c == QLatin1Char('(')) {
            qsizetype end = closingParenthesis(expression, i);
            if (end < 0)
                end = n;
            current += QLatin1Char('(') + concatenations(expression.mid(i + 1, end - i - 1), depth + 1) + (end < n ? QStringLiteral(")") : QString());
            i = end + 1;
        } else if (c == QLatin1Char('&')) {
            operands << current;
            current.clear();
            ++i;
        } else if (c == QLatin1Char(',') || c == QLatin1Char('=') || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char(';')) {
            flush();
            out += c;
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            qsizetype j = i;
            while (j < n && isNameCharacter(expression.at(j)))
                ++j;
            const QString word = expression.mid(i, j - i);
            qsizetype next = j;
            while (next < n && expression.at(next).isSpace())
                ++next;
            const bool opens = next < n && expression.at(next) == QLatin1Char('(');
            const bool qualified = (i > 0 && (expression.at(i - 1) == QLatin1Char('.') || expression.at(i - 1) == QLatin1Char('!')));
            if (!opens && !qualified && endsConcatenation(word.toLower())) {
                flush();
                out += word;
            } else {
                current += word;
            }
            i = j;
        } else {
            current += c;
            ++i;
        }
    }
    flush();
    return out;
}

QString JetSqlTranslator::translate(const QString& jetText) const
{
    const QString expression = concatenations(jetText);
    QString out;
    qsizetype i = 0;
    const qsizetype n = expression.size();
    QString previousWord;
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
            if (isFormReference(expression, i, end + 1)) {
                out += formReference(expression, i);
                continue;
            }
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
            out += QStringLiteral("||"); // only where concatenations() found no operands
            ++i;
        } else if (c == QLatin1Char('!') && i + 1 < n && (expression.at(i + 1) == QLatin1Char('[') || isNameCharacter(expression.at(i + 1)))
            && (out.endsWith(QLatin1Char('"')) || (!out.isEmpty() && isNameCharacter(out.back())))) {
            out += QLatin1Char('.'); // [Orders]![OrderID]: a table's field, as Orders.OrderID
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            qsizetype j = i;
            while (j < n && isNameCharacter(expression.at(j)))
                ++j;
            const QString word = expression.mid(i, j - i);
            const QString lower = word.toLower();
            if (isFormReference(expression, i, j)) {
                out += formReference(expression, i);
                previousWord.clear();
                continue;
            }
            qsizetype next = j;
            while (next < n && expression.at(next).isSpace())
                ++next;
            const bool opens = next < n && expression.at(next) == QLatin1Char('(');
            const bool qualified = (i > 0 && (expression.at(i - 1) == QLatin1Char('.') || expression.at(i - 1) == QLatin1Char('!')))
                || (j < n && (expression.at(j) == QLatin1Char('.') || expression.at(j) == QLatin1Char('!')));
            const bool known = opens && !qualified && functions().contains(lower);
            const QString parameter = qualified || opens ? QString() : parameterReference(word);
            if (!parameter.isEmpty()) {
                out += parameter;
            } else if (known) {
                out += call(word, expression, next, j);
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
            } else if (lower == QLatin1String("distinctrow")) {
                // Only differs from a plain select over joins Jet could update.
            } else if (lower == QLatin1String("top") && (previousWord == QLatin1String("select") || previousWord == QLatin1String("distinct"))) {
                throw CourseError(QStringLiteral("a SELECT TOP inside the query's text has no translation"));
            } else if (opens && !qualified && !isKeyword(lower)) {
                throw CourseError(QStringLiteral("the function %1 has no translation").arg(word));
            } else {
                out += word;
            }
            if (lower != QLatin1String("distinctrow"))
                previousWord = lower;
            i = j;
            continue;
        } else {
            out += c;
            ++i;
        }
        previousWord.clear();
    }
    return out;
}
