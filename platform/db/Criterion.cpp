#include "Criterion.h"

#include "CourseError.h"
#include "LikePattern.h"

#include <algorithm>
#include <optional>

struct Criterion::Node {
    enum class Kind { Or, And, Not, Compare, IsNull, Like, Field, Constant };
    enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

    Kind kind = Kind::Constant;
    Op op = Op::Eq;
    bool negated = false; // `is not null`, `not like`
    int field = -1;
    QVariant constant;
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
    // `or` and `and` hold all their terms here, so that a long chain of them is one level
    // deep for evaluation, not one level per term.
    std::vector<std::unique_ptr<Node>> terms;
    // A `like` whose pattern is quoted text, compiled when the criterion is.
    std::optional<LikePattern> pattern;
};

namespace {

using Node = Criterion::Node;

struct Token {
    enum class Type { End, Number, Text, Name, Symbol };
    Type type = Type::End;
    QString text;
    int offset = 0;
};

// Tokenises and parses with recursive descent:
//   or := and ('or' and)*      and := not ('and' not)*      not := 'not' not | cmp
//   cmp := value (op value | 'is' ['not'] 'null' | ['not'] 'like' value)?
//   value := number | text | name | '(' or ')'
// Every level of nesting passes through parseNot, which counts it against
// Criterion::MaxDepth, so that no criterion can exhaust the stack.
class Parser {
public:
    Parser(const QString& text, const QStringList& fields)
        : m_text(text)
        , m_fields(fields)
    {
        advance();
    }

    std::unique_ptr<Node> parse()
    {
        auto root = parseOr();
        if (m_token.type != Token::Type::End)
            fail(QStringLiteral("unexpected '%1'").arg(m_token.text));
        return root;
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw CourseError(QStringLiteral("malformed criterion \"%1\": %2 at position %3")
                              .arg(m_text, what)
                              .arg(m_token.offset + 1));
    }

    bool isKeyword(const char* word) const
    {
        return m_token.type == Token::Type::Name && m_token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    bool isSymbol(const char* symbol) const
    {
        return m_token.type == Token::Type::Symbol && m_token.text == QLatin1String(symbol);
    }

    void advance()
    {
        const qsizetype n = m_text.size();
        while (m_pos < n && m_text.at(m_pos).isSpace())
            ++m_pos;
        m_token = Token{};
        m_token.offset = int(m_pos);
        if (m_pos >= n)
            return;
        const QChar c = m_text.at(m_pos);
        if (c.isDigit() || (c == QLatin1Char('.') && m_pos + 1 < n && m_text.at(m_pos + 1).isDigit())) {
            const qsizetype start = m_pos;
            while (m_pos < n && (m_text.at(m_pos).isDigit() || m_text.at(m_pos) == QLatin1Char('.')))
                ++m_pos;
            m_token.type = Token::Type::Number;
            m_token.text = m_text.mid(start, m_pos - start);
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text; a doubled quote stands for one quote.
            QString value;
            ++m_pos;
            for (;;) {
                if (m_pos >= n)
                    fail(QStringLiteral("unterminated text"));
                if (m_text.at(m_pos) == c) {
                    if (m_pos + 1 < n && m_text.at(m_pos + 1) == c) {
                        value += c;
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                value += m_text.at(m_pos++);
            }
            m_token.type = Token::Type::Text;
            m_token.text = value;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = m_text.indexOf(QLatin1Char(']'), m_pos);
            if (close < 0)
                fail(QStringLiteral("unterminated field name"));
            m_token.type = Token::Type::Name;
            m_token.text = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = m_pos;
            while (m_pos < n && (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_')))
                ++m_pos;
            m_token.type = Token::Type::Name;
            m_token.text = m_text.mid(start, m_pos - start);
        } else {
            static const char* const symbols[] = { "<>", "<=", ">=", "!=", "=", "<", ">", "(", ")", "-" };
            for (const char* symbol : symbols) {
                if (QStringView(m_text).mid(m_pos).startsWith(QLatin1String(symbol))) {
                    m_token.type = Token::Type::Symbol;
                    m_token.text = QString::fromLatin1(symbol);
                    m_pos += qsizetype(qstrlen(symbol));
                    return;
                }
            }
            fail(QStringLiteral("unexpected character '%1'").arg(c));
        }
    }

    static std::unique_ptr<Node> binary(Node::Kind kind, std::unique_ptr<Node> left, std::unique_ptr<Node> right)
    {
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    // Parses TERM ('word' TERM)* into one node of KIND holding every term.
    template<typename Term>
    std::unique_ptr<Node> parseChain(const char* word, Node::Kind kind, Term term)
    {
        auto first = (this->*term)();
        if (!isKeyword(word))
            return first;
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->terms.push_back(std::move(first));
        while (isKeyword(word)) {
            advance();
            node->terms.push_back((this->*term)());
        }
        return node;
    }

    std::unique_ptr<Node> parseOr() { return parseChain("or", Node::Kind::Or, &Parser::parseAnd); }

    std::unique_ptr<Node> parseAnd() { return parseChain("and", Node::Kind::And, &Parser::parseNot); }

    std::unique_ptr<Node> parseNot()
    {
        if (m_depth >= Criterion::MaxDepth)
            fail(QStringLiteral("nested deeper than %1 levels").arg(Criterion::MaxDepth));
        ++m_depth;
        std::unique_ptr<Node> node;
        if (isKeyword("not")) {
            advance();
            node = binary(Node::Kind::Not, parseNot(), nullptr);
        } else {
            node = parseComparison();
        }
        --m_depth;
        return node;
    }

    std::unique_ptr<Node> parseComparison()
    {
        auto left = parseValue();
        if (isKeyword("is")) {
            advance();
            auto node = binary(Node::Kind::IsNull, std::move(left), nullptr);
            if (isKeyword("not")) {
                node->negated = true;
                advance();
            }
            if (!isKeyword("null"))
                fail(QStringLiteral("'null' expected"));
            advance();
            return node;
        }
        bool negatedLike = false;
        if (isKeyword("not")) {
            negatedLike = true;
            advance();
            if (!isKeyword("like"))
                fail(QStringLiteral("'like' expected"));
        }
        if (isKeyword("like")) {
            advance();
            auto node = binary(Node::Kind::Like, std::move(left), parseValue());
            node->negated = negatedLike;
            const Node& pattern = *node->right;
            if (pattern.kind == Node::Kind::Constant && !pattern.constant.isNull()) {
                try {
                    node->pattern.emplace(pattern.constant.toString());
                } catch (const CourseError& e) {
                    throw CourseError(QStringLiteral("malformed criterion \"%1\": %2").arg(m_text, e.message()));
                }
            }
            return node;
        }
        static const struct {
            const char* symbol;
            Node::Op op;
        } ops[] = { { "=", Node::Op::Eq }, { "<>", Node::Op::Ne }, { "!=", Node::Op::Ne }, { "<", Node::Op::Lt },
            { ">", Node::Op::Gt }, { "<=", Node::Op::Le }, { ">=", Node::Op::Ge } };
        for (const auto& candidate : ops) {
            if (isSymbol(candidate.symbol)) {
                advance();
                auto node = binary(Node::Kind::Compare, std::move(left), parseValue());
                node->op = candidate.op;
                return node;
            }
        }
        return left;
    }

    std::unique_ptr<Node> parseValue()
    {
        auto node = std::make_unique<Node>();
        switch (m_token.type) {
        case Token::Type::End:
            fail(QStringLiteral("value expected"));
        case Token::Type::Number:
            node->constant = numberValue(m_token.text, false);
            advance();
            return node;
        case Token::Type::Text:
            node->constant = m_token.text;
            advance();
            return node;
        case Token::Type::Symbol:
            if (isSymbol("(")) {
                advance();
                auto inner = parseOr();
                if (!isSymbol(")"))
                    fail(QStringLiteral("')' expected"));
                advance();
                return inner;
            }
            if (isSymbol("-")) {
                advance();
                if (m_token.type != Token::Type::Number)
                    fail(QStringLiteral("number expected after '-'"));
                node->constant = numberValue(m_token.text, true);
                advance();
                return node;
            }
            fail(QStringLiteral("unexpected '%1'").arg(m_token.text));
        case Token::Type::Name:
            break;
        }
        if (isKeyword("null")) {
            advance();
            return node; // a Null constant
        }
        if (isKeyword("true") || isKeyword("false")) {
            // Booleans are stored as numbers, with true as -1 as the course's files had it.
            node->constant = isKeyword("true") ? -1 : 0;
            advance();
            return node;
        }
        const int index = fieldIndex(m_token.text);
        if (index < 0)
            throw CourseError(QStringLiteral("criterion \"%1\": unknown field '%2'").arg(m_text, m_token.text));
        node->kind = Node::Kind::Field;
        node->field = index;
        advance();
        return node;
    }

    QVariant numberValue(const QString& digits, bool negative) const
    {
        bool ok = false;
        if (!digits.contains(QLatin1Char('.'))) {
            const qlonglong value = digits.toLongLong(&ok);
            if (ok)
                return negative ? -value : value;
        }
        const double value = digits.toDouble(&ok);
        if (!ok)
            fail(QStringLiteral("bad number '%1'").arg(digits));
        return negative ? -value : value;
    }

    int fieldIndex(const QString& name) const
    {
        for (int i = 0; i < m_fields.size(); ++i) {
            if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    const QString& m_text;
    const QStringList& m_fields;
    qsizetype m_pos = 0;
    int m_depth = 0;
    Token m_token;
};

bool isNumeric(const QVariant& value, double* out)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        *out = value.toDouble();
        return true;
    case QMetaType::QString: {
        bool ok = false;
        *out = value.toString().trimmed().toDouble(&ok);
        return ok;
    }
    default:
        return false;
    }
}

int compareValues(const QVariant& a, const QVariant& b)
{
    double x = 0;
    double y = 0;
    const bool textA = a.typeId() == QMetaType::QString;
    const bool textB = b.typeId() == QMetaType::QString;
    if ((!textA || !textB) && isNumeric(a, &x) && isNumeric(b, &y))
        return x < y ? -1 : (x > y ? 1 : 0);
    return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
}

const QVariant& valueOf(const Node& node, const std::vector<QVariant>& row)
{
    return node.kind == Node::Kind::Field ? row[size_t(node.field)] : node.constant;
}

bool evaluate(const Node& node, const std::vector<QVariant>& row)
{
    switch (node.kind) {
    case Node::Kind::Or:
        return std::any_of(node.terms.begin(), node.terms.end(), [&row](const auto& term) { return evaluate(*term, row); });
    case Node::Kind::And:
        return std::all_of(node.terms.begin(), node.terms.end(), [&row](const auto& term) { return evaluate(*term, row); });
    case Node::Kind::Not:
        return !evaluate(*node.left, row);
    case Node::Kind::IsNull:
        return valueOf(*node.left, row).isNull() != node.negated;
    case Node::Kind::Like: {
        const QVariant& value = valueOf(*node.left, row);
        const QVariant& pattern = valueOf(*node.right, row);
        if (value.isNull() || pattern.isNull())
            return false;
        // A pattern taken from a field differs from row to row.
        const bool matched = node.pattern ? node.pattern->matches(value.toString())
                                          : LikePattern(pattern.toString()).matches(value.toString());
        return matched != node.negated;
    }
    case Node::Kind::Compare: {
        const QVariant& a = valueOf(*node.left, row);
        const QVariant& b = valueOf(*node.right, row);
        if (a.isNull() || b.isNull())
            return false;
        const int c = compareValues(a, b);
        switch (node.op) {
        case Node::Op::Eq: return c == 0;
        case Node::Op::Ne: return c != 0;
        case Node::Op::Lt: return c < 0;
        case Node::Op::Gt: return c > 0;
        case Node::Op::Le: return c <= 0;
        case Node::Op::Ge: return c >= 0;
        }
        return false;
    }
    case Node::Kind::Field:
    case Node::Kind::Constant: {
        // A bare value as a condition: true when it is a non-zero number.
        double x = 0;
        const QVariant& v = valueOf(node, row);
        return !v.isNull() && isNumeric(v, &x) && x != 0;
    }
    }
    return false;
}

} // namespace

Criterion::Criterion(const QString& text, const QStringList& fieldNames)
    : m_text(text)
{
    if (text.trimmed().isEmpty())
        throw CourseError(QStringLiteral("malformed criterion: it is empty"));
    m_root = Parser(m_text, fieldNames).parse();
}

Criterion::~Criterion() = default;
Criterion::Criterion(Criterion&&) noexcept = default;
Criterion& Criterion::operator=(Criterion&&) noexcept = default;

int Criterion::compare(const QVariant& a, const QVariant& b)
{
    return compareValues(a, b);
}

bool Criterion::matches(const std::vector<QVariant>& row) const
{
    return evaluate(*m_root, row);
}
