#include "DictdRecipe.h"

#include "CourseError.h"
#include "CutTermFilter.h"
#include "Database.h"
#include "GlossaryCleaner.h"
#include "Recordset.h"
#include "SqlStatement.h"

#include <QFile>
#include <functional>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <sqlite3.h>

namespace {

// dictd writes offsets and lengths in its own base-64 digits.
qint64 dictdNumber(QStringView text, bool& ok)
{
    static const QString digits = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    qint64 value = 0;
    ok = !text.isEmpty();
    for (const QChar c : text) {
        const qsizetype d = digits.indexOf(c);
        if (d < 0) {
            ok = false;
            return 0;
        }
        value = value * 64 + d;
    }
    return value;
}

QByteArray unpack(const QString& file)
{
    if (!QFile::exists(file))
        throw CourseError(QStringLiteral("%1 is missing (install the dictionary's package, see tools/setup-debian.sh)").arg(file));
    // A .dict.dz is a gzip file with an index of its own in the header; gzip reads it whole.
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), { QStringLiteral("-dc"), file });
    if (!gzip.waitForFinished(60000) || gzip.exitStatus() != QProcess::NormalExit || gzip.exitCode() != 0)
        throw CourseError(QStringLiteral("%1 cannot be unpacked: %2").arg(file, QString::fromLocal8Bit(gzip.readAllStandardError())));
    return gzip.readAllStandardOutput();
}

/// One language's terms in the database: found by their text, added when new. A term
/// written elsewhere in other capitals is the same term ("Turkish Lady", "Turkish lady"),
/// unless one is a word of the language and the other a name ("argentina", "Argentina").
class TermTable {
public:
    TermTable(Database& db, const QString& table, const QString& idColumn, std::function<bool(const QString&)> isWord)
        : m_db(db)
        , m_insert(db, QStringLiteral("insert into %1 (termino) values (?)").arg(table))
        , m_isWord(std::move(isWord))
    {
        auto rows = db.openRecordset(QStringLiteral("select %1, termino from %2").arg(idColumn, table));
        for (; !rows->isEof(); rows->moveNext())
            remember(rows->text(QStringLiteral("termino")), rows->number(idColumn));
    }

    qint64 id(const QString& term)
    {
        if (auto it = m_ids.constFind(term); it != m_ids.constEnd())
            return *it;
        const bool word = term.isLower() && m_isWord(term);
        if (auto it = m_folded.constFind(term.toLower()); it != m_folded.constEnd() && !word)
            return *it;
        m_insert.reset();
        m_insert.bind(1, term);
        m_insert.run();
        const qint64 id = sqlite3_last_insert_rowid(m_db.handle());
        remember(term, id);
        return id;
    }

private:
    void remember(const QString& term, qint64 id)
    {
        m_ids.insert(term, id);
        if (!(term.isLower() && m_isWord(term)))
            m_folded.insert(term.toLower(), id);
    }

    Database& m_db;
    SqlStatement m_insert;
    std::function<bool(const QString&)> m_isWord;
    QHash<QString, qint64> m_ids;
    QHash<QString, qint64> m_folded; // lower case -> a term that is no plain word of the language
};

} // namespace

QStringList DictdRecipe::translations(const QString& entry)
{
    static const QRegularExpression sense(QStringLiteral("^\\s*\\d+\\.\\s*"));
    static const QRegularExpression mark(QStringLiteral("<[^>]*>"));
    QStringList lines = entry.split(QLatin1Char('\n'));
    if (!lines.isEmpty())
        lines.removeFirst(); // the headword and its pronunciation
    QStringList found;
    for (QString line : lines) {
        line.remove(sense).remove(mark);
        for (const QString& piece : line.split(QRegularExpression(QStringLiteral("[,;]")))) {
            const QString term = piece.simplified();
            if (!term.isEmpty() && !found.contains(term))
                found << term;
        }
    }
    return found;
}

QString DictdRecipe::headword(const QString& entry, const QString& indexed)
{
    // The index folds the headword to lower case and drops its marks ("estados unidos",
    // "cómo está usted"); the entry's first line writes it as the language does, before its
    // pronunciation ("Estados Unidos /estˈaðos/", "¿cómo está usted? /kˈomo/").
    static const QRegularExpression pronunciation(QStringLiteral("\\s*/[^/]*/\\s*$"));
    const QString written = entry.section(QLatin1Char('\n'), 0, 0).remove(pronunciation).simplified();
    return GlossaryCleaner::words(written) == GlossaryCleaner::words(indexed) ? written : indexed;
}

DictionaryEntries DictdRecipe::read(const QString& dictionary)
{
    const QString indexFile = dictionary + QStringLiteral(".index");
    QFile index(indexFile);
    if (!index.open(QIODevice::ReadOnly))
        throw CourseError(QStringLiteral("%1 is missing (install the dictionary's package, see tools/setup-debian.sh)").arg(indexFile));
    const QByteArray body = unpack(dictionary + QStringLiteral(".dict.dz"));
    DictionaryEntries entries;
    int lineNumber = 0;
    while (!index.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(index.readLine()).trimmed();
        const QStringList fields = line.split(QLatin1Char('\t'));
        bool offsetOk = false;
        bool lengthOk = false;
        const qint64 offset = fields.size() == 3 ? dictdNumber(fields[1], offsetOk) : 0;
        const qint64 length = fields.size() == 3 ? dictdNumber(fields[2], lengthOk) : 0;
        if (!offsetOk || !lengthOk || offset + length > body.size())
            throw CourseError(QStringLiteral("%1:%2: not a dictd index line (headword, offset, length)").arg(indexFile).arg(lineNumber));
        const QString indexed = fields[0].simplified();
        // The dictionary's own description entries are no terms.
        if (indexed.startsWith(QLatin1String("00database")) || indexed.startsWith(QLatin1String("00-database")))
            continue;
        const QString entry = QString::fromUtf8(body.mid(offset, length));
        entries.push_back({ headword(entry, indexed), translations(entry) });
    }
    return entries;
}

void DictdRecipe::make(const MediaRecipes::Recipe& recipe) const
{
    const QString dictionary = recipe.required(QStringLiteral("dictionary"));
    const QString headwords = recipe.required(QStringLiteral("headwords"));
    if (headwords != QLatin1String("es") && headwords != QLatin1String("en"))
        throw CourseError(QStringLiteral("dictd: headwords=%1; it takes es or en").arg(headwords));
    const bool spanishHeads = headwords == QLatin1String("es");
    const DictionaryEntries entries = read(dictionary);
    // The other direction's data tells which words the translations' run-together forms are.
    const QString companionName = recipe.arg(QStringLiteral("companion"));
    const DictionaryEntries companion = companionName.isEmpty() ? DictionaryEntries {} : read(companionName);
    const auto wordList = [&recipe](const char* key) {
        return GlossaryCleaner::readWordList(recipe.arg(QLatin1String(key)).split(QLatin1Char(','), Qt::SkipEmptyParts));
    };
    const GlossaryCleaner cleaner(spanishHeads ? entries : companion, spanishHeads ? companion : entries, wordList("spanish-words"),
        wordList("english-words"));
    const auto headLanguage = spanishHeads ? GlossaryCleaner::Language::Spanish : GlossaryCleaner::Language::English;
    const auto otherLanguage = spanishHeads ? GlossaryCleaner::Language::English : GlossaryCleaner::Language::Spanish;
    const CutTermFilter cut(spanishHeads ? entries : companion, spanishHeads ? companion : entries, cleaner);

    auto db = Database::open(recipe.output, ShareMode::Exclusive, AccessMode::ReadWrite, QStringLiteral("MS Access;PWD=") + m_password);
    db->execute(QStringLiteral("begin"));
    TermTable spanish(*db, QStringLiteral("glosesp"), QStringLiteral("id_esp"),
        [&cleaner](const QString& term) { return cleaner.isWord(term, GlossaryCleaner::Language::Spanish); });
    TermTable english(*db, QStringLiteral("glosing"), QStringLiteral("id_ing"),
        [&cleaner](const QString& term) { return cleaner.isWord(term, GlossaryCleaner::Language::English); });
    TermTable& heads = spanishHeads ? spanish : english;
    TermTable& others = spanishHeads ? english : spanish;
    SqlStatement pair(*db, QStringLiteral("insert or ignore into glosario (id_esp, id_ing) values (?, ?)"));
    for (const DictionaryEntry& entry : entries) {
        const QString headword = cleaner.term(entry.headword, headLanguage);
        QStringList found;
        for (const QString& translation : entry.translations) {
            const QString term = cleaner.term(translation, otherLanguage);
            if (term.isEmpty() || found.contains(term) || cut.isCut(spanishHeads ? term : headword, spanishHeads ? headword : term))
                continue;
            found << term;
        }
        if (headword.isEmpty() || found.isEmpty())
            continue;
        const qint64 head = heads.id(headword);
        for (const QString& term : std::as_const(found)) {
            const qint64 other = others.id(term);
            pair.reset();
            pair.bind(1, spanishHeads ? head : other);
            pair.bind(2, spanishHeads ? other : head);
            pair.run();
        }
    }
    db->execute(QStringLiteral("commit"));
}
