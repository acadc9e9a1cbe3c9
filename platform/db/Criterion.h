#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

/// A compiled find criterion such as `N_leccion = 5` or `id = 0 and leccion = 3`:
/// comparisons (= <> < > <= >=, `like` with the wildcards of LikePattern,
/// `is [not] null`), `and`, `or`, `not`, parentheses, numbers, quoted text and field
/// names (bare or in [brackets]). Text compares without regard to case; a comparison
/// with Null is never true.
class Criterion {
public:
    /// Parentheses and `not` nest at most this deep.
    static constexpr int MaxDepth = 100;

    /// Parses TEXT against the given field names; throws CourseError naming a
    /// malformed criterion (a bad `like` pattern or nesting beyond MaxDepth included)
    /// or a field that the row source does not have.
    Criterion(const QString& text, const QStringList& fieldNames);
    ~Criterion();
    Criterion(Criterion&&) noexcept;
    Criterion& operator=(Criterion&&) noexcept;

    /// True when ROW (values in the order of the field names) satisfies the criterion.
    /// Throws CourseError when a `like` pattern taken from a field is malformed.
    bool matches(const std::vector<QVariant>& row) const;

    QString text() const { return m_text; }

    /// Three-way comparison of two non-Null values as criteria compare them: numbers
    /// numerically when both are numbers, anything else as text without regard to case.
    static int compare(const QVariant& a, const QVariant& b);

    struct Node;

private:
    QString m_text;
    std::unique_ptr<Node> m_root;
};
