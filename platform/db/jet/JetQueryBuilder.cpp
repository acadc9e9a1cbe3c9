#include "JetQueryBuilder.h"

#include "CourseError.h"
#include "JetSqlTranslator.h"
#include "SpanishCount.h"

#include <QRegularExpression>
#include <algorithm>
#include <memory>

namespace {

constexpr int selectStar = 0x01;
constexpr int distinct = 0x02;
constexpr int distinctRow = 0x08;
constexpr int top = 0x10;
constexpr int percent = 0x20;
constexpr int appendValue = 0x8000;

// The SQL type a parameter's value is cast to, by the Jet type code of its Flag.
QString parameterType(int jetType)
{
    switch (jetType) {
    case 1: case 2: case 3: case 4: return QStringLiteral("integer"); // Boolean, Byte, Short, Long
    case 5: case 6: case 7: return QStringLiteral("real"); // Currency, Single, Double
    case 8: case 10: case 12: case 15: return QStringLiteral("text"); // date, text, memo, GUID
    case 0: case 9: case 11: return QString(); // value, binary, long binary: as bound
    default:
        throw CourseError(QStringLiteral("a parameter of type %1, which Jet does not define").arg(jetType));
    }
}

// A table, or tables joined, in the FROM clause; KEYS are the names the joins use.
struct Source {
    QStringList keys;
    QString text;
    bool isJoin = false;
    bool contains(const QString& key) const { return keys.contains(key, Qt::CaseInsensitive); }
};

QString joinKind(int flag)
{
    switch (flag) {
    case 1: return QStringLiteral("inner join");
    case 2: return QStringLiteral("left join");
    case 3: return QStringLiteral("right join");
    default: throw CourseError(QStringLiteral("a join of kind %1, which Jet does not define").arg(flag));
    }
}

} // namespace

JetQueryBuilder::JetQueryBuilder(const QString& name, const QList<JetQueryRow>& rows, const JetQuerySources& sources)
    : m_name(name)
    , m_rows(rows)
    , m_sources(sources)
{
}

QMap<QString, QString> JetQueryBuilder::parameters() const
{
    QMap<QString, QString> types;
    for (const QString& name : m_undeclared)
        types.insert(name, QString());
    for (const JetQueryRow& row : m_rows) {
        if (row.attribute == Parameter)
            types.insert(row.name1, parameterType(row.flag));
    }
    return types;
}

QList<JetQueryRow> JetQueryBuilder::rowsOf(Attribute attribute) const
{
    QList<JetQueryRow> result;
    for (const JetQueryRow& row : m_rows) {
        if (row.attribute == attribute)
            result << row;
    }
    return result;
}

QString JetQueryBuilder::single(Attribute attribute) const
{
    const QList<JetQueryRow> rows = rowsOf(attribute);
    if (rows.size() > 1)
        throw CourseError(QStringLiteral("%1 rows of attribute %2 where one is expected").arg(rows.size()).arg(int(attribute)));
    return rows.isEmpty() ? QString() : rows.first().expression;
}

QString JetQueryBuilder::translate(const QString& expression) const
{
    return JetSqlTranslator(parameters()).translate(expression);
}

QString JetQueryBuilder::fromClause() const
{
    if (!rowsOf(RemoteDatabase).isEmpty())
        throw CourseError(QStringLiteral("it reads another database"));
    QList<Source> sources;
    for (const JetQueryRow& table : rowsOf(Table)) {
        if (!table.expression.isEmpty())
            throw CourseError(QStringLiteral("it reads table %1 of another database").arg(table.name1));
        QString text = JetSqlTranslator::quotedName(table.name1);
        // A saved query with parameters is no view: it is read as the sub-query it is,
        // and its parameters are this query's.
        const QString inner = m_sources.parameterQuery ? m_sources.parameterQuery(table.name1) : QString();
        if (!inner.isEmpty())
            text = QStringLiteral("(%1) as %2").arg(inner, JetSqlTranslator::quotedName(table.name2.isEmpty() ? table.name1 : table.name2));
        else if (!table.name2.isEmpty())
            text += QStringLiteral(" as ") + JetSqlTranslator::quotedName(table.name2);
        sources << Source { { table.name2.isEmpty() ? table.name1 : table.name2 }, text };
    }
    // Each join row ties the source holding its first table to the one holding its second;
    // a second row between the same two adds its condition to the join already made.
    for (const JetQueryRow& join : rowsOf(Join)) {
        qsizetype from = -1, to = -1;
        for (qsizetype i = 0; i < sources.size(); ++i) {
            if (from < 0 && sources[i].contains(join.name1))
                from = i;
            if (to < 0 && sources[i].contains(join.name2))
                to = i;
        }
        if (from < 0 || to < 0)
            throw CourseError(QStringLiteral("a join names a table the query does not read (%1, %2)").arg(join.name1, join.name2));
        const QString condition = translate(join.expression);
        if (from == to) {
            sources[from].text += QStringLiteral(" and ") + condition;
            continue;
        }
        const Source& right = sources[to];
        Source joined { sources[from].keys + right.keys,
            QStringLiteral("%1 %2 %3 on %4").arg(sources[from].text, joinKind(join.flag), right.isJoin ? QLatin1Char('(') + right.text + QLatin1Char(')') : right.text, condition),
            true };
        sources[from] = joined;
        sources.removeAt(to);
    }
    QStringList parts;
    for (const Source& source : sources)
        parts << source.text;
    return parts.join(QStringLiteral(", "));
}

QString JetQueryBuilder::tailClauses() const
{
    QString sql;
    const QString where = single(Where);
    if (!where.isEmpty())
        sql += QStringLiteral("\nwhere ") + translate(where);
    QStringList groups;
    for (const JetQueryRow& row : rowsOf(GroupBy))
        groups << translate(row.expression);
    return sql + groupAndOrder(groups, Unordered::AsStored);
}

QString JetQueryBuilder::selectSql() const
{
    const QList<JetQueryRow> flags = rowsOf(Flag);
    const int flag = flags.isEmpty() ? 0 : flags.first().flag;
    if (flag & percent)
        throw CourseError(QStringLiteral("it keeps a percentage of the rows (TOP … PERCENT)"));
    QStringList columns;
    for (const JetQueryRow& row : rowsOf(Column)) {
        if (row.flag & appendValue)
            continue;
        QString column = translate(row.expression);
        if (!row.name1.isEmpty())
            column += QStringLiteral(" as ") + JetSqlTranslator::quotedName(row.name1);
        columns << column;
    }
    if (flag & selectStar)
        columns << QStringLiteral("*");
    if (columns.isEmpty())
        throw CourseError(QStringLiteral("it selects no columns"));
    // DISTINCTROW only differs from a plain select over joins Jet could update.
    QString sql = QStringLiteral("select ") + ((flag & distinct) && !(flag & distinctRow) ? QStringLiteral("distinct ") : QString())
        + columns.join(QStringLiteral(", "));
    const QString from = fromClause();
    if (!from.isEmpty())
        sql += QStringLiteral("\nfrom ") + from;
    sql += tailClauses();
    if (flag & top) {
        bool ok = false;
        const int limit = flags.first().name1.toInt(&ok);
        if (!ok || limit < 0)
            throw CourseError(QStringLiteral("TOP %1 is not a row count").arg(flags.first().name1));
        sql += QStringLiteral("\nlimit %1").arg(limit);
    }
    return sql;
}

namespace {

constexpr int crosstabPivot = 0x01;
constexpr int crosstabHeading = 0x02;
constexpr int unionDistinct = 0x02;
constexpr int maxHeadings = 250; // Jet's own limit is 255 columns

// A heading value as Jet's own text for it, to compare the pivot with.
QString jetLiteral(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString) {
        QString text = value.toString();
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    }
    return value.toString();
}

// The column's name for a heading, as Jet names it: the value's text, "<>" for Null.
QString headingName(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("<>");
    if (value.typeId() == QMetaType::Double && value.toDouble() == qint64(value.toDouble()))
        return QString::number(qint64(value.toDouble()));
    return value.toString();
}

// Splits "expr In (a, b)" into the expression and its fixed headings' Jet literals.
std::pair<QString, QStringList> fixedHeadings(const QString& pivot)
{
    static const QRegularExpression in(QStringLiteral("\\s+in\\s*\\($"), QRegularExpression::CaseInsensitiveOption);
    const QString text = pivot.trimmed();
    if (!text.endsWith(QLatin1Char(')')))
        return { text, {} };
    // Find the parenthesis that closes at the very end, and what stands before it.
    for (qsizetype open = text.lastIndexOf(QLatin1Char('(')); open > 0; open = text.lastIndexOf(QLatin1Char('('), open - 1)) {
        if (JetSqlTranslator::closingParenthesis(text, open) != text.size() - 1)
            continue;
        const QString before = text.left(open + 1);
        const QRegularExpressionMatch m = in.match(before);
        if (!m.hasMatch())
            return { text, {} };
        QStringList items;
        for (const QString& item : JetSqlTranslator::splitArguments(text.mid(open + 1, text.size() - open - 2)))
            items << item.trimmed();
        return { text.left(m.capturedStart()), items };
    }
    return { text, {} };
}

// A fixed heading's column name: the literal without its quotes.
QString literalName(const QString& literal)
{
    if (literal.size() >= 2 && (literal.startsWith(QLatin1Char('"')) || literal.startsWith(QLatin1Char('\''))) && literal.endsWith(literal.front())) {
        QString text = literal.mid(1, literal.size() - 2);
        return text.replace(QString(2, literal.front()), QString(literal.front()));
    }
    if (literal.size() >= 2 && literal.startsWith(QLatin1Char('#')) && literal.endsWith(QLatin1Char('#')))
        return literal.mid(1, literal.size() - 2);
    return literal;
}

// The transform expression with every aggregate made to count only CONDITION's rows:
// Sum(x) becomes Sum(IIf(condition, x, Null)), Count(*) Count(IIf(condition, 1, Null)).
QString restrictAggregates(const QString& transform, const QString& condition, bool& any)
{
    static const QRegularExpression call(QStringLiteral("\\b(sum|count|avg|min|max|first|last|stdev|stdevp|var|varp)\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype from = 0;
    QRegularExpressionMatchIterator it = call.globalMatch(transform);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedStart() < from)
            continue;
        // Skip matches inside literals and names: count quotes and brackets before it.
        const QString before = transform.left(m.capturedStart());
        if (before.count(QLatin1Char('"')) % 2 || before.count(QLatin1Char('[')) != before.count(QLatin1Char(']')))
            continue;
        const QString name = m.captured(1).toLower();
        if (name != QLatin1String("sum") && name != QLatin1String("count") && name != QLatin1String("avg") && name != QLatin1String("min")
            && name != QLatin1String("max"))
            throw CourseError(QStringLiteral("the crosstab's value uses %1, which has no translation").arg(m.captured(1)));
        const qsizetype open = m.capturedEnd() - 1;
        const qsizetype close = JetSqlTranslator::closingParenthesis(transform, open);
        if (close < 0)
            throw CourseError(QStringLiteral("the ( of %1 is not closed in \"%2\"").arg(m.captured(1), transform));
        QString argument = transform.mid(open + 1, close - open - 1).trimmed();
        if (argument == QLatin1String("*"))
            argument = QStringLiteral("1");
        out += transform.mid(from, open + 1 - from) + QStringLiteral("IIf(%1, %2, Null))").arg(condition, argument);
        from = close + 1;
        any = true;
    }
    return out + transform.mid(from);
}

} // namespace

QString JetQueryBuilder::groupAndOrder(const QStringList& groups, Unordered unordered) const
{
    QString sql;
    if (!groups.isEmpty())
        sql += QStringLiteral("\ngroup by ") + groups.join(QStringLiteral(", "));
    const QString having = single(Having);
    if (!having.isEmpty())
        sql += QStringLiteral("\nhaving ") + translate(having);
    QStringList order;
    for (const JetQueryRow& row : rowsOf(OrderBy))
        order << translate(row.expression) + (row.name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0 ? QStringLiteral(" desc") : QString());
    if (order.isEmpty() && unordered == Unordered::ByGroups)
        order = groups;
    if (!order.isEmpty())
        sql += QStringLiteral("\norder by ") + order.join(QStringLiteral(", "));
    return sql;
}

QString JetQueryBuilder::crosstabSql() const
{
    QList<JetQueryRow> headings, pivots, values;
    for (const JetQueryRow& row : rowsOf(Column)) {
        if (row.flag & crosstabPivot)
            pivots << row;
        else if (row.flag & crosstabHeading)
            headings << row;
        else
            values << row;
    }
    if (pivots.size() != 1 || values.size() != 1)
        throw CourseError(QStringLiteral("a crosstab query (kind 6) with %1 pivot and %2 value columns, where it takes one of each")
                              .arg(pivots.size())
                              .arg(values.size()));
    const auto [pivot, fixed] = fixedHeadings(pivots.first().expression);
    const QString pivotSql = translate(pivot);
    const QString from = fromClause();
    const QString where = single(Where);
    const QString whereSql = where.isEmpty() ? QString() : QStringLiteral("\nwhere ") + translate(where);

    // The headings: fixed, or read from the data as it is now, in Jet's order.
    QList<std::pair<QString, QString>> columns; // name, Jet condition
    if (!fixed.isEmpty()) {
        for (const QString& literal : fixed)
            columns << std::pair { literalName(literal), QStringLiteral("(%1) = %2").arg(pivot, literal) };
        m_description = QStringLiteral("una consulta de referencias cruzadas con %1")
                            .arg(SpanishCount::of(columns.size(), QStringLiteral("encabezado de columna fijo"), QStringLiteral("encabezados de columna fijos")));
    } else {
        if (!m_sources.distinctValues)
            throw CourseError(QStringLiteral("a crosstab query (kind 6) whose column headings must be read from the data"));
        const QVariantList found = m_sources.distinctValues(
            QStringLiteral("select distinct %1\nfrom %2%3\norder by 1").arg(pivotSql, from, whereSql));
        for (const QVariant& value : found)
            columns << std::pair { headingName(value), value.isNull() ? QStringLiteral("(%1) Is Null").arg(pivot) : QStringLiteral("(%1) = %2").arg(pivot, jetLiteral(value)) };
        m_description = QStringLiteral("una consulta de referencias cruzadas con %1 de los datos")
                            .arg(SpanishCount::of(columns.size(), QStringLiteral("encabezado de columna leído"), QStringLiteral("encabezados de columna leídos")));
    }
    if (columns.size() > maxHeadings)
        throw CourseError(QStringLiteral("a crosstab with %1 column headings, more than the %2 a query may have").arg(columns.size()).arg(maxHeadings));

    QStringList selected;
    for (const JetQueryRow& row : headings) {
        QString column = translate(row.expression);
        if (!row.name1.isEmpty())
            column += QStringLiteral(" as ") + JetSqlTranslator::quotedName(row.name1);
        selected << column;
    }
    const QString transform = values.first().expression.trimmed();
    static const QRegularExpression bareCount(QStringLiteral("^count\\s*\\("), QRegularExpression::CaseInsensitiveOption);
    const bool countOnly = bareCount.match(transform).hasMatch()
        && JetSqlTranslator::closingParenthesis(transform, transform.indexOf(QLatin1Char('('))) == transform.size() - 1;
    for (const auto& [name, condition] : columns) {
        bool any = false;
        QString cell = translate(restrictAggregates(transform, condition, any));
        if (!any)
            throw CourseError(QStringLiteral("the crosstab's value %1 is no Sum, Count, Avg, Min or Max").arg(transform));
        // A heading no row of a group has is an empty cell, a count's too.
        if (countOnly)
            cell = QStringLiteral("nullif(%1, 0)").arg(cell);
        selected << cell + QStringLiteral(" as ") + JetSqlTranslator::quotedName(name);
    }
    QStringList groups;
    for (const JetQueryRow& row : rowsOf(GroupBy)) {
        if (!(row.flag & crosstabPivot) && row.expression.trimmed().compare(pivot, Qt::CaseInsensitive) != 0)
            groups << translate(row.expression);
    }
    if (groups.isEmpty()) {
        for (const JetQueryRow& row : headings)
            groups << translate(row.expression);
    }
    if (groups.isEmpty())
        throw CourseError(QStringLiteral("a crosstab query (kind 6) without a row heading"));
    return QStringLiteral("select ") + selected.join(QStringLiteral(", ")) + QStringLiteral("\nfrom ") + from + whereSql + groupAndOrder(groups, Unordered::ByGroups);
}

QString JetQueryBuilder::unionSql() const
{
    // Jet keeps a union's parts as SQL text, in table rows named X7YZ_____1, X7YZ_____2.
    QList<std::pair<QString, QString>> parts;
    for (const JetQueryRow& row : rowsOf(Table)) {
        if (!row.expression.trimmed().isEmpty())
            parts << std::pair { row.name2, row.expression };
    }
    std::stable_sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (parts.size() < 2)
        throw CourseError(QStringLiteral("a union query (kind 9) with %1 parts, where it takes two").arg(parts.size()));
    const QList<JetQueryRow> flags = rowsOf(Flag);
    const bool distinctRows = !flags.isEmpty() && (flags.first().flag & unionDistinct);
    QStringList selects;
    for (const auto& part : parts) {
        QString text = part.second.trimmed();
        // The text Jet keeps may end with the statement's semicolon, never more.
        while (text.endsWith(QLatin1Char(';')))
            text = text.chopped(1).trimmed();
        static const QRegularExpression tableForm(QStringLiteral("^table\\s+"), QRegularExpression::CaseInsensitiveOption);
        if (tableForm.match(text).hasMatch())
            text = QStringLiteral("select * from ") + text.mid(tableForm.match(text).capturedEnd());
        const QString sql = translate(text);
        static const QRegularExpression select(QStringLiteral("^\\s*\\(*\\s*select\\b"), QRegularExpression::CaseInsensitiveOption);
        if (!select.match(sql).hasMatch())
            throw CourseError(QStringLiteral("a part of the union is no select (\"%1\")").arg(text.left(200)));
        selects << sql;
    }
    QString sql = selects.join(distinctRows ? QStringLiteral("\nunion\n") : QStringLiteral("\nunion all\n"));
    QStringList order;
    for (const JetQueryRow& row : rowsOf(OrderBy))
        order << translate(row.expression) + (row.name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0 ? QStringLiteral(" desc") : QString());
    if (!order.isEmpty())
        sql += QStringLiteral("\norder by ") + order.join(QStringLiteral(", "));
    m_description = QStringLiteral("una consulta de unión de %1 selecciones").arg(selects.size());
    return sql;
}

QString JetQueryBuilder::onlyTable(const char* kind) const
{
    const QList<JetQueryRow> tables = rowsOf(Table);
    if (tables.size() != 1 || !rowsOf(Join).isEmpty())
        throw CourseError(QStringLiteral("a %1 over %2 tables").arg(QLatin1String(kind)).arg(tables.size()));
    return fromClause();
}

QString JetQueryBuilder::sql() const
{
    try {
        parameters(); // an undefined parameter type spoils the whole query
        const QList<JetQueryRow> type = rowsOf(Type);
        const int kind = type.isEmpty() ? Select : type.first().flag;
        m_description = QStringLiteral("una consulta de selección");
        switch (kind) {
        case Select:
            return selectSql();
        case CrossTab:
            return crosstabSql();
        case Union:
            return unionSql();
        case Delete:
            m_description = QStringLiteral("una consulta de eliminación");
            return QStringLiteral("delete from ") + onlyTable("delete") + tailClauses();
        case Update: {
            m_description = QStringLiteral("una consulta de actualización");
            const QString table = onlyTable("update");
            QStringList sets;
            for (const JetQueryRow& row : rowsOf(Column))
                sets << JetSqlTranslator::quotedName(row.name2) + QStringLiteral(" = ") + translate(row.expression);
            if (sets.isEmpty())
                throw CourseError(QStringLiteral("an update that sets nothing"));
            return QStringLiteral("update %1 set %2").arg(table, sets.join(QStringLiteral(", "))) + tailClauses();
        }
        case Append: {
            m_description = QStringLiteral("una consulta de datos anexados");
            if (!type.first().name2.isEmpty() || !type.first().expression.isEmpty())
                throw CourseError(QStringLiteral("it appends to another database"));
            const QString target = JetSqlTranslator::quotedName(type.first().name1);
            QStringList values, targets;
            for (const JetQueryRow& row : rowsOf(Column)) {
                if (row.flag & appendValue)
                    values << translate(row.expression);
                if (!row.name2.isEmpty())
                    targets << JetSqlTranslator::quotedName(row.name2);
            }
            const QString columns = targets.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(targets.join(QStringLiteral(", ")));
            if (!values.isEmpty())
                return QStringLiteral("insert into %1%2 values (%3)").arg(target, columns, values.join(QStringLiteral(", ")));
            return QStringLiteral("insert into %1%2\n").arg(target, columns) + selectSql();
        }
        default:
            throw CourseError(QStringLiteral("it is a query of kind %1 (make-table, data definition or pass-through), which changes or reaches beyond the database").arg(kind));
        }
    } catch (const CourseError& error) {
        throw CourseError(QStringLiteral("saved query \"%1\" cannot be rebuilt: %2").arg(m_name, error.message()));
    }
}
