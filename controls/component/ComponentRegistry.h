#pragma once

#include "ComponentClass.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

/// The component registry: which library provides which control class, kept as one JSON
/// file in the user's configuration folder. Libraries write their own entries when they
/// register themselves; hosts look classes up by programmatic identifier.
/// Every failure (unreadable or damaged file, folder not writable) is a ComponentError
/// naming the file.
class ComponentRegistry {
public:
    /// How add() records a library's file. A library path read from any registry may be
    /// relative: it is taken from the registry file's folder.
    enum class LibraryPaths {
        Absolute,
        /// Relative to the registry's folder, for a registry shipped with an installation:
        /// the installed tree keeps working when it is staged under DESTDIR or moved.
        RelativeToRegistry,
    };

    /// A registry kept in filePath.
    explicit ComponentRegistry(QString filePath = defaultFilePath(), LibraryPaths libraryPaths = LibraryPaths::Absolute);

    /// $XDG_CONFIG_HOME/tamsel/components.json, looked up afresh at every call.
    static QString defaultFilePath();

    /// The system-wide registries, in search order: one per configuration folder of the
    /// system ($XDG_CONFIG_DIRS, /etc/xdg by default), where an administrator may add
    /// classes, then the one the installation ships (installationFilePath()).
    static QStringList systemFilePaths();

    /// The registry of the installation the running program belongs to,
    /// `<prefix>/share/tamsel/components.json`.
    static QString installationFilePath();

    QString filePath() const { return m_filePath; }

    /// The class registered under programmaticId (compared without regard to case), if
    /// any, its library given as an absolute path.
    std::optional<ComponentClass> find(const QString& programmaticId) const;

    /// Every class registered, libraries given as absolute paths.
    QList<ComponentClass> classes() const;

    /// Records entry, replacing any entry of the same programmatic identifier.
    void add(const ComponentClass& entry) const;

    /// Removes the entry of programmaticId when it records classId; returns whether one was removed.
    bool remove(const QString& programmaticId, const QString& classId) const;

private:
    QJsonObject readClasses() const;
    void writeClasses(const QJsonObject& classes) const;
    template<typename Change>
    bool update(Change change) const;

    ComponentClass entryFromStored(const QString& programmaticId, const QJsonObject& json) const;
    QString libraryToStored(const QString& library) const;

    QString m_filePath;
    LibraryPaths m_libraryPaths = LibraryPaths::Absolute;
};
