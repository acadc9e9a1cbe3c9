#pragma once

#include <QString>
#include <vector>

struct sqlite3;

/// A `like` pattern of the course's criteria, compiled once: `*` any run of characters,
/// `?` any one character, `#` one digit, `[list]` one character of the list (ranges such
/// as `a-z` allowed) and `[!list]` one character not in it. `[*]`, `[?]`, `[#]` and `[[]`
/// stand for the character itself; `[]` stands for nothing. Letters match without regard
/// to case. Matching takes time proportional to text × pattern at worst, whatever the
/// pattern.
class LikePattern {
public:
    /// Compiles PATTERN; throws CourseError naming it when a list is not closed or a
    /// range runs backwards.
    explicit LikePattern(const QString& pattern);

    QString pattern() const { return m_pattern; }
    bool matches(const QString& text) const;

    /// Makes these patterns known to SQL on the connection DB as its MATCH operator:
    /// `text MATCH pattern` is 1 or 0, Null when either side is Null, and an error naming
    /// the pattern when it does not compile. Saved queries brought from other databases
    /// use it for their Like. Returns SQLite's result code.
    static int registerOn(sqlite3* db);

private:
    struct Element {
        enum class Kind { Character, AnyRun, AnyOne, Digit, List };
        Kind kind = Kind::Character;
        char32_t character = 0; // case-folded
        bool negated = false; // [!list]
        std::vector<std::pair<char32_t, char32_t>> ranges; // case-folded, inclusive
        bool matches(char32_t c) const;
    };

    QString m_pattern;
    std::vector<Element> m_elements;
};
