#pragma once

#include <QMap>
#include <QString>

/// Turns an expression of a Jet saved query into the stand-in's SQL: [bracketed] names
/// become quoted names, "text" literals single-quoted ones, `&` concatenation `||`,
/// True / False -1 / 0, `Mod` `%`, #dates# 'yyyy-MM-dd HH:mm:ss' text, `Like` the
/// stand-in's `match` (the course's own like: `*`, `?`, `#`, `[list]`, `[!list]`, any
/// case; its pattern may be a parameter), and the functions IIf, Nz (with a second
/// argument), Mid, Len, UCase, LCase and Trim theirs. A name that is a parameter of the
/// query becomes the named parameter `:name` (characters other than letters, digits and
/// `_` made `_`), cast to the parameter's declared type. Anything it cannot translate
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

private:
    QString parameterReference(const QString& name) const;

    QMap<QString, QString> m_parameters; // keys in lower case
};
