#include "ComponentRegistry.h"

#include "ComponentError.h"
#include "InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>

namespace {

constexpr int FormatVersion = 1;
constexpr int LockTimeoutMs = 5000;

QJsonObject toJson(const ComponentClass& entry)
{
    return QJsonObject{
        {"className", entry.className},
        {"classId", entry.classId},
        {"library", entry.library},
        {"typeLibrary", entry.typeLibrary},
        {"typeLibraryId", entry.typeLibraryId},
        {"version", entry.version},
    };
}

ComponentClass fromJson(const QString& programmaticId, const QJsonObject& json)
{
    return ComponentClass{
        programmaticId,
        json.value("className").toString(),
        json.value("classId").toString(),
        json.value("library").toString(),
        json.value("typeLibrary").toString(),
        json.value("typeLibraryId").toString(),
        json.value("version").toString(),
    };
}

// The key under which programmaticId is stored, whatever its case; empty when absent.
QString storedKey(const QJsonObject& classes, const QString& programmaticId)
{
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (it.key().compare(programmaticId, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return {};
}

}

ComponentRegistry::ComponentRegistry(QString filePath, LibraryPaths libraryPaths)
    : m_filePath(std::move(filePath))
    , m_libraryPaths(libraryPaths)
{
}

QString ComponentRegistry::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/tamsel/components.json");
}

QStringList ComponentRegistry::systemFilePaths()
{
    QStringList paths = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    // The first location is the user's own folder, which defaultFilePath() names.
    if (!paths.isEmpty())
        paths.removeFirst();
    for (QString& path : paths)
        path += QStringLiteral("/tamsel/components.json");
    // Last, so that a class an administrator registers for everyone can stand in for the installed one.
    paths << installationFilePath();
    return paths;
}

QString ComponentRegistry::installationFilePath()
{
    return InstallLayout::dataFolder() + QStringLiteral("components.json");
}

std::optional<ComponentClass> ComponentRegistry::find(const QString& programmaticId) const
{
    const QJsonObject classes = readClasses();
    const QString key = storedKey(classes, programmaticId);
    if (key.isEmpty())
        return std::nullopt;
    return entryFromStored(key, classes.value(key).toObject());
}

QList<ComponentClass> ComponentRegistry::classes() const
{
    const QJsonObject stored = readClasses();
    QList<ComponentClass> entries;
    for (auto it = stored.begin(); it != stored.end(); ++it)
        entries << entryFromStored(it.key(), it.value().toObject());
    return entries;
}

ComponentClass ComponentRegistry::entryFromStored(const QString& programmaticId, const QJsonObject& json) const
{
    ComponentClass entry = fromJson(programmaticId, json);
    if (!entry.library.isEmpty() && !QDir::isAbsolutePath(entry.library))
        entry.library = QDir::cleanPath(QFileInfo(m_filePath).absoluteDir().absoluteFilePath(entry.library));
    return entry;
}

QString ComponentRegistry::libraryToStored(const QString& library) const
{
    if (m_libraryPaths == LibraryPaths::Absolute)
        return library;
    // Both sides as the file system spells them: a folder reached through a symbolic link
    // would otherwise give a relative path that leads elsewhere.
    const QDir folder(QFileInfo(m_filePath).absoluteDir().canonicalPath());
    const QString target = QFileInfo(library).canonicalFilePath();
    return folder.relativeFilePath(target.isEmpty() ? QFileInfo(library).absoluteFilePath() : target);
}

void ComponentRegistry::add(const ComponentClass& entry) const
{
    if (entry.programmaticId.isEmpty() || entry.library.isEmpty() || QUuid::fromString(entry.classId).isNull())
        throw ComponentError(QStringLiteral("Refusing to register \"%1\" in %2: it needs a programmatic identifier, "
                                            "a class identifier and a library")
                                 .arg(entry.programmaticId, m_filePath));
    update([&](QJsonObject& classes) {
        const QString old = storedKey(classes, entry.programmaticId);
        if (!old.isEmpty())
            classes.remove(old);
        ComponentClass stored = entry;
        stored.library = libraryToStored(entry.library);
        classes.insert(entry.programmaticId, toJson(stored));
        return true;
    });
}

bool ComponentRegistry::remove(const QString& programmaticId, const QString& classId) const
{
    if (!QFileInfo::exists(m_filePath))
        return false;
    return update([&](QJsonObject& classes) {
        const QString key = storedKey(classes, programmaticId);
        if (key.isEmpty())
            return false;
        const QUuid recorded = QUuid::fromString(classes.value(key).toObject().value("classId").toString());
        // Another library's class under the same name is not ours to remove.
        if (recorded != QUuid::fromString(classId))
            return false;
        classes.remove(key);
        return true;
    });
}

template<typename Change>
bool ComponentRegistry::update(Change change) const
{
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath()))
        throw ComponentError(QStringLiteral("Cannot create the folder of the component registry %1").arg(m_filePath));
    // Two registrations at once must not lose one another's entries.
    QLockFile lock(m_filePath + QStringLiteral(".lock"));
    if (!lock.tryLock(LockTimeoutMs))
        throw ComponentError(QStringLiteral("The component registry %1 is locked by another program").arg(m_filePath));
    QJsonObject classes = readClasses();
    if (!change(classes))
        return false;
    writeClasses(classes);
    return true;
}

QJsonObject ComponentRegistry::readClasses() const
{
    QFile file(m_filePath);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw ComponentError(QStringLiteral("Cannot read the component registry %1: %2").arg(m_filePath, file.errorString()));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        throw ComponentError(QStringLiteral("The component registry %1 is damaged: %2 at offset %3")
                                 .arg(m_filePath, error.errorString())
                                 .arg(error.offset));
    const QJsonValue classes = document.object().value("classes");
    if (!document.isObject() || !(classes.isObject() || classes.isUndefined()))
        throw ComponentError(QStringLiteral("The component registry %1 is damaged: it holds no table of classes").arg(m_filePath));
    return classes.toObject();
}

void ComponentRegistry::writeClasses(const QJsonObject& classes) const
{
    QSaveFile file(m_filePath);
    const QJsonObject document{{"format", FormatVersion}, {"classes", classes}};
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(document).toJson()) < 0 || !file.commit())
        throw ComponentError(QStringLiteral("Cannot write the component registry %1: %2").arg(m_filePath, file.errorString()));
}
