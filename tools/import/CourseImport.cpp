#include "CourseImport.h"

#include "CanonicalPath.h"
#include "CourseError.h"
#include "CourseFolder.h"
#include "CourseImage.h"
#include "CourseTexts.h"
#include "Database.h"
#include "DiscImage.h"
#include "ExplainedError.h"
#include "JetConverter.h"
#include "JetStandIn.h"
#include "SpanishCount.h"
#include "StagedFolder.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QDirIterator>
#include <QFileInfo>

#include <unistd.h>

namespace {

// Tables shorter than this are copied before a bar would be worth drawing.
constexpr qint64 longTable = 5000;
constexpr int barWidth = 30;

// The image IMAGE, or the disc in its drive; a file that is none is refused as the player
// refuses it. A damaged image is already told in the user's words.
std::unique_ptr<const CourseImage> openImage(const QString& image)
{
    try {
        return std::make_unique<const CourseImage>(image, JetStandIn::cacheFolder());
    } catch (const DamagedDiscImage&) {
        throw;
    } catch (const CourseError& error) {
        throw ExplainedError(error.message(),
            CourseImage::isDevice(image) ? CourseTexts::discDamaged(image) : CourseTexts::neitherCourseNorDisc(image));
    }
}

QString cannotWrite(const QString& path)
{
    return QStringLiteral("No se puede escribir en %1: falta permiso o espacio.").arg(QDir::toNativeSeparators(path));
}

// A file the user may not read is no lack of room in the output.
void verifyReadable(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw ExplainedError(QStringLiteral("cannot read %1: %2").arg(file, in.errorString()), CourseTexts::cannotRead(file));
}

// The same refusals as the player's, before anything is written: a folder without its
// content database, or with one that is no course's, or without inst.ini.
void verifyCourseFolder(const QString& course, const QDir& from)
{
    const QFileInfo folder(from.path());
    if (!folder.isReadable() || !folder.isExecutable())
        throw ExplainedError(QStringLiteral("cannot read the course folder %1").arg(from.path()), CourseTexts::cannotRead(course));
    const CourseFolder files(from.path());
    const QString content = files.resolve(QStringLiteral("bbm.mdb"));
    if (!QFileInfo(content).isFile())
        throw ExplainedError(QStringLiteral("missing file \"bbm.mdb\" (the course folder %1 holds none of that name)").arg(from.path()),
            CourseTexts::contentMissing(course));
    verifyReadable(content);
    if (!Database::isJetFile(content) && !Database::isSQLiteFile(content))
        throw ExplainedError(QStringLiteral("%1 is neither a Jet nor an SQLite database").arg(content), CourseTexts::contentDamaged(course));
    const QString install = files.resolve(QStringLiteral("inst.ini"));
    if (!QFileInfo(install).isFile())
        throw ExplainedError(QStringLiteral("missing file \"inst.ini\" in the course folder %1").arg(from.path()), CourseTexts::installMissing(course));
    verifyReadable(install);
}

} // namespace

CourseImport::CourseImport(QTextStream& out, QTextStream& progress)
    : m_out(out)
    , m_progress(progress)
{
}

void CourseImport::showProgress(const QString& table, qint64 done, qint64 total)
{
    if (total < longTable)
        return;
    const int filled = int(barWidth * qMin(done, total) / qMax<qint64>(total, 1));
    m_progress << QStringLiteral("\r  %1 [%2%3] %4/%5").arg(table, QString(filled, QLatin1Char('#')), QString(barWidth - filled, QLatin1Char(' '))).arg(done).arg(total);
    if (done >= total)
        m_progress << '\n';
    m_progress.flush();
}

void CourseImport::convert(const QString& file, const QString& name, const QString& target)
{
    m_out << QStringLiteral("Convirtiendo %1\n").arg(QDir::toNativeSeparators(name));
    m_out.flush();
    const JetConversion c = JetConverter::convert(file, target, [this](const QString& table, qint64 done, qint64 total) {
        showProgress(table, done, total);
    });
    m_out << QStringLiteral("  %1: %2\n").arg(c.format, conversionSummary(c));
    for (const JetConversion::Rebuilt& query : c.rebuiltQueries)
        m_out << QStringLiteral("  consulta «%1»: reconstruida, %2\n").arg(query.name, query.how);
    // Why a query could not be rebuilt is the technical account (the engine's words), told
    // after what it means.
    for (const JetConversion::Unrebuilt& query : c.unrebuilt) {
        QString reason = query.reason;
        const QString prefix = QStringLiteral("saved query \"%1\" cannot be rebuilt: ").arg(query.name);
        if (reason.startsWith(prefix))
            reason = reason.mid(prefix.size());
        m_out << QStringLiteral("  consulta «%1»: no reconstruida%2: %3\n")
                     .arg(query.name, query.fallback ? QStringLiteral(" (se usa la definición propia del reproductor)") : QString(), reason);
    }
}

QString CourseImport::conversionSummary(const JetConversion& c)
{
    QStringList parts { SpanishCount::of(c.tables, QStringLiteral("tabla"), QStringLiteral("tablas")),
        SpanishCount::of(c.rows, QStringLiteral("fila"), QStringLiteral("filas")) };
    if (c.queries == 0)
        parts << QStringLiteral("sin consultas guardadas");
    else
        parts << QStringLiteral("%1 de %2").arg(c.rebuilt).arg(SpanishCount::of(c.queries, QStringLiteral("consulta guardada reconstruida"),
                                                               QStringLiteral("consultas guardadas reconstruidas")));
    if (c.fallback > 0)
        parts << SpanishCount::of(c.fallback, QStringLiteral("consulta tomada de las definiciones propias del reproductor"),
            QStringLiteral("consultas tomadas de las definiciones propias del reproductor"));
    parts << QStringLiteral("%1 ms").arg(c.ms);
    return parts.join(QStringLiteral(", "));
}

QString CourseImport::finished(int converted, const QString& output)
{
    const QString where = QDir::toNativeSeparators(output);
    if (converted == 0)
        return QStringLiteral("Curso copiado en %1, sin bases de datos que convertir.").arg(where);
    return QStringLiteral("Curso copiado en %1: %2.")
        .arg(where, SpanishCount::of(converted, QStringLiteral("base de datos convertida"), QStringLiteral("bases de datos convertidas")));
}

int CourseImport::runImage(const QString& image, const QString& output)
{
    const std::unique_ptr<const CourseImage> opened = openImage(image);
    const CourseImage& disc = *opened;
    // The same refusal as the player's: a disc without its content database is no course.
    if (disc.find({ QStringLiteral("bbm.mdb") }).isEmpty())
        throw ExplainedError(QStringLiteral("missing file \"bbm.mdb\" (the disc image %1 holds none of that name)").arg(disc.image()),
            CourseTexts::discContentMissing(image));
    // Names that share an extent share its copy (a link to the first), and the copies of
    // one image never add up to more than it holds: overlapping extents are a damaged disc,
    // refused before anything is written.
    const QStringList files = disc.files();
    QSet<QPair<quint32, quint32>> extents;
    qint64 distinct = 0;
    for (const QString& path : files) {
        const DiscImage::Entry entry = disc.entry(path);
        if (!extents.contains({ entry.sector, entry.size })) {
            extents.insert({ entry.sector, entry.size });
            distinct += entry.size;
        }
    }
    if (distinct > disc.size())
        throw ExplainedError(QStringLiteral("the disc image %1 is damaged: the copies of its files would take %2 bytes, more than the %3 it holds "
                                            "(its files overlap)")
                                 .arg(disc.image())
                                 .arg(distinct)
                                 .arg(disc.size()),
            CourseTexts::discDamaged(image));
    const QString& to = output;
    int converted = 0;
    QHash<QPair<quint32, quint32>, QString> copied;
    for (const QString& path : files) {
        const QString target = to + QLatin1Char('/') + path;
        if (!QDir().mkpath(QFileInfo(target).path()))
            throw ExplainedError(QStringLiteral("cannot create %1").arg(QFileInfo(target).path()), cannotWrite(finalName(QFileInfo(target).path())));
        const DiscImage::Entry entry = disc.entry(path);
        const QString first = copied.value({ entry.sector, entry.size });
        if (!first.isEmpty()) {
            QFile::remove(target);
            if (::link(QFile::encodeName(first).constData(), QFile::encodeName(target).constData()) == 0)
                continue;
        }
        // Straight from the image, under a name of its own until it is whole.
        const QString part = target + QStringLiteral(".part");
        QFile out(part);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw ExplainedError(QStringLiteral("cannot write %1: %2").arg(part, out.errorString()), cannotWrite(finalName(target)));
        try {
            disc.copy(path, out);
        } catch (const CourseError&) {
            out.close();
            QFile::remove(part);
            throw;
        }
        out.close();
        QFile::setPermissions(part, QFile::permissions(part) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(target);
        if (Database::isJetFile(part)) {
            convert(part, path, target);
            QFile::remove(part);
            ++converted;
        } else if (!QFile::rename(part, target)) {
            throw ExplainedError(QStringLiteral("cannot write %1").arg(target), cannotWrite(finalName(target)));
        } else {
            copied.insert({ entry.sector, entry.size }, target);
        }
    }
    return converted;
}

QString CourseImport::finalName(const QString& written) const
{
    return m_output + written.mid(m_staging.size());
}

int CourseImport::run(const QString& course, const QString& output)
{
    const QString to = QFileInfo(output).absoluteFilePath();
    const bool image = QFileInfo(course).isFile() || CourseImage::isDevice(course);
    const QDir from(QFileInfo(course).absoluteFilePath());
    if (QFileInfo(to).exists() && !QFileInfo(to).isDir())
        throw ExplainedError(QStringLiteral("%1 is a file, not a folder").arg(to),
            QStringLiteral("No se puede copiar el curso en %1: es un archivo, no una carpeta.").arg(QDir::toNativeSeparators(output)));
    if (!image) {
        if (!from.exists())
            throw ExplainedError(QStringLiteral("course folder %1 does not exist").arg(course), CourseTexts::folderMissing(course));
        verifyCourseFolder(course, from);
        verifyOutsideCourse(course, from, output);
    }
    // A copy that stops half-way leaves the output as it was.
    StagedFolder staged(to, cannotWrite(to));
    m_staging = staged.path();
    m_output = to;
    const int converted = image ? runImage(course, staged.path()) : copyFolder(from, staged.path());
    staged.commit();
    m_out << finished(converted, to) << '\n';
    return converted;
}

void CourseImport::verifyOutsideCourse(const QString& course, const QDir& from, const QString& output)
{
    const QString to = QFileInfo(output).absoluteFilePath();
    // By where the folders really are, links followed: an output inside the course would
    // overwrite the course's own files with their copies (and be copied into itself), a
    // course inside the output would be overwritten as it is read.
    const QString realCourse = CanonicalPath::of(from.path());
    const QString realOutput = CanonicalPath::of(to);
    if (realOutput.isEmpty())
        throw ExplainedError(QStringLiteral("%1: the output folder's path runs through links in a loop").arg(output),
            QStringLiteral("No se puede copiar el curso en %1: su camino da vueltas por enlaces sin fin.").arg(QDir::toNativeSeparators(output)));
    if (CanonicalPath::liesInside(realOutput, realCourse))
        throw ExplainedError(QStringLiteral("%1: the output folder must not be the course folder %2 nor lie inside it").arg(output, realCourse),
            QStringLiteral("No se puede copiar el curso en %1: es la carpeta del curso o está dentro de ella.").arg(QDir::toNativeSeparators(output)));
    if (CanonicalPath::liesInside(realCourse, realOutput))
        throw ExplainedError(QStringLiteral("%1: the course folder must not lie inside the output folder %2").arg(course, realOutput),
            QStringLiteral("No se puede copiar el curso en %1: el curso está dentro de esa carpeta.").arg(QDir::toNativeSeparators(output)));
}

int CourseImport::copyFolder(const QDir& from, const QString& to)
{
    int converted = 0;
    QDirIterator it(from.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + from.relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        verifyReadable(file);
        if (Database::isJetFile(file)) {
            convert(file, from.relativeFilePath(file), target);
            ++converted;
        } else {
            QFile::remove(target);
            if (!QFile::copy(file, target))
                throw ExplainedError(QStringLiteral("cannot copy %1 to %2").arg(file, target), cannotWrite(finalName(target)));
        }
    }
    return converted;
}
