#include "CourseFolder.h"

#include "CanonicalPath.h"
#include "CourseError.h"
#include "CourseImage.h"
#include "DiscStreams.h"

#include <QDir>
#include <QFileInfo>

CourseFolder::CourseFolder(const QString& folder)
{
    QString path = QDir::cleanPath(QFileInfo(folder.trimmed()).absoluteFilePath());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    m_path = path;
}

CourseFolder::CourseFolder(std::shared_ptr<const CourseImage> image)
    : m_path(image->image() + QLatin1Char('/'))
    , m_image(std::move(image))
{
}

QString CourseFolder::origin() const
{
    return m_image ? m_image->image() : m_path;
}

QStringList CourseFolder::componentsOf(const QString& name) const
{
    QString relative = name.trimmed();
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (relative.isEmpty())
        throw CourseError(QStringLiteral("%1: an empty file name was given").arg(m_path));
    const bool drive = relative.size() >= 2 && relative.at(1) == QLatin1Char(':');
    if (relative.startsWith(QLatin1Char('/')) || drive)
        throw CourseError(QStringLiteral("file name \"%1\" lies outside the course folder %2").arg(name.trimmed(), m_path));

    QStringList parts;
    const QStringList components = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& component : components) {
        if (component == QLatin1String("."))
            continue;
        if (component == QLatin1String("..")) {
            if (parts.isEmpty())
                throw CourseError(QStringLiteral("file name \"%1\" lies outside the course folder %2").arg(name.trimmed(), m_path));
            parts.removeLast();
            continue;
        }
        parts << component;
    }
    return parts;
}

QString CourseFolder::resolve(const QString& name) const
{
    const QStringList parts = componentsOf(name);
    // A file the disc holds but cannot give (a bad sector, a full cache) is, to whoever
    // only resolves its name, a damaged file: the screens go on as with one.
    if (m_image)
        return m_image->localPath(parts, CourseImage::Unreadable::AsDamaged);

    // Walk down the folders, taking each component as it is when it exists and
    // otherwise the one entry that matches it without regard to case.
    QString current = m_path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        QString component = parts.at(i);
        if (!QFileInfo::exists(current + component)) {
            const QStringList entries = QDir(current).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
            for (const QString& entry : entries) {
                if (entry.compare(component, Qt::CaseInsensitive) == 0) {
                    component = entry;
                    break;
                }
            }
        }
        current += component;
        if (!last)
            current += QLatin1Char('/');
    }
    // The spelling stays inside; a symbolic link on the way may still lead out.
    if (!CanonicalPath::liesInside(current, m_path))
        throw CourseError(QStringLiteral("file name \"%1\" leads outside the course folder %2 (to %3, through a symbolic link)")
                              .arg(name.trimmed(), m_path, CanonicalPath::of(current)));
    return current;
}

QString CourseFolder::require(const QString& name) const
{
    const QString path = m_image ? m_image->localPath(componentsOf(name)) : resolve(name);
    // A video or sound still being copied off the disc is there: it plays as it is read.
    if (m_image && DiscStreams::isStreamed(path))
        return path;
    if (m_image && !QFileInfo(path).isFile())
        throw CourseError(QStringLiteral("missing file \"%1\" (the disc image %2 holds none of that name)").arg(name.trimmed(), m_image->image()));
    if (!QFileInfo(path).isFile())
        throw CourseError(QStringLiteral("missing file \"%1\" (looked for %2)").arg(name.trimmed(), path));
    return path;
}
