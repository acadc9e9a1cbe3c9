#include "CourseCompiler.h"
#include "StagedFolder.h"

#include "DictdRecipe.h"

#include "CourseError.h"
#include "ExplainedError.h"
#include "Cp1252.h"
#include "Database.h"
#include "MediaRecipes.h"
#include "SavedQueryFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// The course's settings files are Windows-1252 with CRLF line ends, as the player expects;
// the player reads them with the same table.
void writeIniFile(const QString& source, const QString& target)
{
    const QString text = readTextFile(source);
    QByteArray bytes;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype number = 0; number < lines.size(); ++number) {
        QString line = lines.at(number);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QList<uint> characters = line.toUcs4();
        for (const char32_t c : characters) {
            const int byte = c > 0xFFFF ? -1 : cp1252Byte(char16_t(c));
            if (byte < 0)
                throw CourseError(QStringLiteral("%1, line %2: the character %3 (U+%4) has no Windows-1252 form")
                                      .arg(source)
                                      .arg(number + 1)
                                      .arg(QString::fromUcs4(&c, 1))
                                      .arg(uint(c), 4, 16, QLatin1Char('0')));
            bytes += char(byte);
        }
        bytes += "\r\n";
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes.trimmed() + "\r\n") < 0)
        throw CourseError(QStringLiteral("%1: cannot write").arg(target));
}

void copyFiles(const QString& from, const QString& to)
{
    if (!QFileInfo(from).isDir())
        return;
    // Absolute, so that each file's path relative to the folder is its path under it: of
    // a relative folder, relativeFilePath() would hand back the whole relative path.
    const QDir folder(QFileInfo(from).absoluteFilePath());
    QDirIterator it(folder.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + folder.relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        QFile::remove(target);
        if (file.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) && !MediaRecipes::isPcmWave(file))
            MediaRecipes::convertToPcm(file, target);
        else if (!QFile::copy(file, target))
            throw CourseError(QStringLiteral("cannot copy %1 to %2").arg(file, target));
    }
}

// The rows of one database: NAME.sql then NAME-*.sql, in name order, so that each part of
// the course can keep its rows in a file of its own.
QString readRowFiles(const QString& source, const QString& name)
{
    const QStringList files = QDir(source).entryList({ name + QStringLiteral(".sql"), name + QStringLiteral("-*.sql") }, QDir::Files, QDir::Name);
    QString rows;
    for (const QString& file : files)
        rows += readTextFile(source + QLatin1Char('/') + file) + QLatin1Char('\n');
    return rows;
}

} // namespace

QString readTextFile(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw ExplainedError(QStringLiteral("%1: cannot be read (%2)").arg(file, f.errorString()),
            QFileInfo::exists(file) ? QStringLiteral("No se puede leer el archivo %1: falta permiso.").arg(QDir::toNativeSeparators(file))
                                    : QStringLiteral("No se encuentra el archivo %1.").arg(QDir::toNativeSeparators(file)));
    return QString::fromUtf8(f.readAll());
}

CourseCompiler::CourseCompiler(const QString& schemaFolder, const QString& password)
    : m_schemaFolder(schemaFolder)
    , m_password(password)
{
}

QList<SavedQuery> CourseCompiler::parseQueries(const QString& text)
{
    return SavedQueryFile::parse(text);
}

void CourseCompiler::buildDatabase(const QString& file, const QString& schema, const QString& rows) const
{
    auto db = Database::create(file, m_password);
    db->execute(readTextFile(m_schemaFolder + QLatin1Char('/') + schema + QStringLiteral(".sql")));
    const QString queryFile = m_schemaFolder + QLatin1Char('/') + schema + QStringLiteral("-queries.sql");
    if (QFileInfo::exists(queryFile)) {
        const QList<SavedQuery> queries = parseQueries(readTextFile(queryFile));
        for (const SavedQuery& query : queries)
            db->saveQuery(query.name, query.sql);
    }
    if (!rows.isEmpty()) {
        db->execute(QStringLiteral("begin"));
        db->execute(rows);
        db->execute(QStringLiteral("commit"));
    }
}

void CourseCompiler::compile(const QString& source, const QString& output) const
{
    if (!QFileInfo(source).isDir())
        throw ExplainedError(QStringLiteral("course source folder %1 does not exist").arg(source),
            QStringLiteral("No se encuentra la carpeta de fuentes del curso %1: esa carpeta no existe.").arg(QDir::toNativeSeparators(source)));
    const QString cannotWrite = QStringLiteral("No se puede escribir el curso en %1: falta permiso o espacio.").arg(QDir::toNativeSeparators(output));
    // Built under a name of its own and moved into place when whole: a build that fails
    // leaves OUTPUT as it was (and none at all when there was none).
    StagedFolder staged(output, cannotWrite);
    build(source, staged.path());
    staged.commit();
}

void CourseCompiler::build(const QString& source, const QString& output) const
{
    buildDatabase(output + QStringLiteral("/bbm.mdb"), QStringLiteral("content"), readRowFiles(source, QStringLiteral("content")));
    buildDatabase(output + QStringLiteral("/usrcurso.mdb"), QStringLiteral("learner"), readRowFiles(source, QStringLiteral("learner")));
    writeIniFile(source + QStringLiteral("/inst.ini"), output + QStringLiteral("/inst.ini"));
    copyFiles(source + QStringLiteral("/files"), output);
    // media.txt and media-*.txt, in name order.
    MediaRecipes recipes(source, output);
    // Dictionaries go into the content database, which is locked with the course's password.
    recipes.addKind(QStringLiteral("dictd"), [password = m_password](const MediaRecipes::Recipe& r) { DictdRecipe(password).make(r); });
    const QStringList recipeFiles = QDir(source).entryList({ QStringLiteral("media.txt"), QStringLiteral("media-*.txt") }, QDir::Files, QDir::Name);
    for (const QString& file : recipeFiles)
        recipes.run(source + QLatin1Char('/') + file);
}
