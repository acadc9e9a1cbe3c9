#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

/// Turns an expression of a Jet saved query (or the text of a whole select, as a union
/// keeps its parts) into the stand-in's SQL: [bracketed] names become quoted names,
/// `[Table]![Field]` `"Table"."Field"`, "text" literals single-quoted ones, `&`
/// concatenation jet_concat (Null as empty text, numbers written as Jet writes them), True / False -1 / 0, `Mod` `%`, #dates# (US order, two-digit
/// years as the engine reads them) 'yyyy-MM-dd HH:mm:ss' text, `Like` the stand-in's
/// `match` (the course's own like: `*`, `?`, `#`, `[list]`, `[!list]`, any case; its
/// pattern may be a parameter), and the expression functions of the period (conversions,
/// Format, dates, text, IIf, Nz, Val) SQLite's own or the jet_… functions JetFunctions
/// registers. A name that is a parameter of the query becomes the named parameter
/// `:name` (characters other than letters, digits and `_` made `_`), cast to the
/// parameter's declared type; so does a reference to a form's control
/// (`Forms!Orders!OrderID` becomes `:Forms_Orders_OrderID`). Anything it cannot translate
/// faithfully throws CourseError saying what, and so does a `;` outside a literal.
class JetSqlTranslator {
public:
    /// PARAMETERS maps a parameter's name (case-insensitive) to the SQL type it is
    /// cast to ("" for none).
    explicit JetSqlTranslator(const QMap<QString, QString>& parameters = {});

    QString translate(const QString& expression) const;

    /// The named-parameter form of a Jet parameter name, without its colon.
    static QString parameterName(const QString& jetName);
    /// NAME quoted as an SQL identifier, brackets removed.
    static QString quotedName(const QString& name);
    /// The arguments of a call or the items of an In list, INNER being the text between
    /// the parentheses: split at the commas of its own level, literals and names kept whole.
    static QStringList splitArguments(const QString& inner);
    /// EXPRESSION with each run of `&` concatenations `a & b & c` written JetConcat(a, b, c),
    /// which translates into Jet's concatenation (Null taken as empty text).
    static QString concatenations(const QString& expression, int depth = 0);
    /// Where the parenthesis at OPEN in EXPRESSION closes; -1 when it does not.
    static qsizetype closingParenthesis(const QString& expression, qsizetype open);

private:
    QString parameterReference(const QString& name, bool always = false) const;
    static bool isFormReference(const QString& expression, qsizetype at, qsizetype end);
    QString formReference(const QString& expression, qsizetype& i) const;
    QString call(const QString& word, const QString& expression, qsizetype open, qsizetype& end) const;

    QMap<QString, QString> m_parameters; // keys in lower case
    mutable int m_depth = 0; // calls being translated, one inside another
};
