#include "JetQueryBuilder.h"

#include "CourseError.h"
#include "JetSqlTranslator.h"

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

JetQueryBuilder::JetQueryBuilder(const QString& name, const QList<JetQueryRow>& rows)
    : m_name(name)
    , m_rows(rows)
{
}

QMap<QString, QString> JetQueryBuilder::parameters() const
{
    QMap<QString, QString> types;
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
        if (!table.name2.isEmpty())
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
    if (!groups.isEmpty())
        sql += QStringLiteral("\ngroup by ") + groups.join(QStringLiteral(", "));
    const QString having = single(Having);
    if (!having.isEmpty())
        sql += QStringLiteral("\nhaving ") + translate(having);
    QStringList order;
    for (const JetQueryRow& row : rowsOf(OrderBy))
        order << translate(row.expression) + (row.name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0 ? QStringLiteral(" desc") : QString());
    if (!order.isEmpty())
        sql += QStringLiteral("\norder by ") + order.join(QStringLiteral(", "));
    return sql;
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
        switch (kind) {
        case Select:
            return selectSql();
        case Delete:
            return QStringLiteral("delete from ") + onlyTable("delete") + tailClauses();
        case Update: {
            const QString table = onlyTable("update");
            QStringList sets;
            for (const JetQueryRow& row : rowsOf(Column))
                sets << JetSqlTranslator::quotedName(row.name2) + QStringLiteral(" = ") + translate(row.expression);
            if (sets.isEmpty())
                throw CourseError(QStringLiteral("an update that sets nothing"));
            return QStringLiteral("update %1 set %2").arg(table, sets.join(QStringLiteral(", "))) + tailClauses();
        }
        case Append: {
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
            throw CourseError(QStringLiteral("it is a query of kind %1 (union, crosstab, make-table, data definition or pass-through)").arg(kind));
        }
    } catch (const CourseError& error) {
        throw CourseError(QStringLiteral("saved query \"%1\" cannot be rebuilt: %2").arg(m_name, error.message()));
    }
}
