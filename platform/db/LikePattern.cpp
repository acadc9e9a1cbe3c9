#include "LikePattern.h"

#include "CourseError.h"

#include <QChar>
#include <QList>

#include <sqlite3.h>

namespace {

char32_t folded(char32_t c)
{
    return QChar::toCaseFolded(c);
}

QString textOf(sqlite3_value* value)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
}

// match(pattern, text): SQLite's `text MATCH pattern`. A pattern that is the same for
// every row is compiled once and kept with the statement.
void sqliteMatch(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    auto* pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        try {
            pattern = new LikePattern(textOf(arguments[0]));
        } catch (const CourseError& error) {
            sqlite3_result_error(context, error.message().toUtf8().constData(), -1);
            return;
        }
        sqlite3_set_auxdata(context, 0, pattern, [](void* compiled) { delete static_cast<LikePattern*>(compiled); });
        // SQLite may have let go of it at once (a pattern that changes from row to row).
        pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            sqlite3_result_int(context, LikePattern(textOf(arguments[0])).matches(textOf(arguments[1])) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(context, pattern->matches(textOf(arguments[1])) ? 1 : 0);
}

} // namespace

LikePattern::LikePattern(const QString& pattern)
    : m_pattern(pattern)
{
    const QList<uint> units = pattern.toUcs4();
    const auto fail = [&pattern](const QString& what) {
        throw CourseError(QStringLiteral("like pattern '%1': %2").arg(pattern, what));
    };
    for (qsizetype i = 0; i < units.size(); ++i) {
        const char32_t c = units.at(i);
        Element element;
        switch (c) {
        case U'*':
            element.kind = Element::Kind::AnyRun;
            break;
        case U'?':
            element.kind = Element::Kind::AnyOne;
            break;
        case U'#':
            element.kind = Element::Kind::Digit;
            break;
        case U'[': {
            qsizetype j = i + 1;
            element.kind = Element::Kind::List;
            if (j < units.size() && units.at(j) == U'!') {
                element.negated = true;
                ++j;
            }
            while (j < units.size() && units.at(j) != U']') {
                const char32_t low = units.at(j);
                // A '-' first or last in the list is itself; between two characters it makes a range.
                if (j + 2 < units.size() && units.at(j + 1) == U'-' && units.at(j + 2) != U']') {
                    const char32_t high = units.at(j + 2);
                    if (high < low)
                        fail(QStringLiteral("the range %1-%2 runs backwards").arg(QString::fromUcs4(&low, 1), QString::fromUcs4(&high, 1)));
                    element.ranges.emplace_back(low, high);
                    j += 3;
                    continue;
                }
                element.ranges.emplace_back(low, low);
                ++j;
            }
            if (j >= units.size())
                fail(QStringLiteral("'[' at position %1 is never closed").arg(i + 1));
            i = j;
            if (element.ranges.empty() && !element.negated)
                continue; // [] stands for nothing
            break;
        }
        default:
            element.character = folded(c);
            break;
        }
        m_elements.push_back(std::move(element));
    }
}

bool LikePattern::Element::matches(char32_t c) const
{
    switch (kind) {
    case Kind::Character:
        return folded(c) == character;
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return c >= U'0' && c <= U'9';
    case Kind::List: {
        bool found = false;
        for (const auto& [low, high] : ranges) {
            // Either case of a letter falls in a range of letters given in either case.
            if ((c >= low && c <= high) || (folded(c) >= folded(low) && folded(c) <= folded(high))) {
                found = true;
                break;
            }
        }
        return found != negated;
    }
    case Kind::AnyRun:
        break;
    }
    return false;
}

bool LikePattern::matches(const QString& text) const
{
    // Greedy matching that returns only to the last run seen: every other element takes
    // exactly one character, so no earlier choice needs revisiting.
    const QList<uint> units = text.toUcs4();
    const size_t count = m_elements.size();
    size_t e = 0;
    qsizetype t = 0;
    size_t runElement = count; // none yet
    qsizetype runStart = 0;
    while (t < units.size()) {
        if (e < count && m_elements[e].kind == Element::Kind::AnyRun) {
            runElement = e++;
            runStart = t;
        } else if (e < count && m_elements[e].matches(units.at(t))) {
            ++e;
            ++t;
        } else if (runElement < count) {
            e = runElement + 1;
            t = ++runStart;
        } else {
            return false;
        }
    }
    while (e < count && m_elements[e].kind == Element::Kind::AnyRun)
        ++e;
    return e == count;
}

int LikePattern::registerOn(sqlite3* db)
{
    return sqlite3_create_function_v2(
        db, "match", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqliteMatch, nullptr, nullptr, nullptr);
}
