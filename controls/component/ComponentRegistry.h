#pragma once

#include "ComponentClass.h"

#include <QJsonObject>
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
    /// A registry kept in filePath.
    explicit ComponentRegistry(QString filePath = defaultFilePath());

    /// $XDG_CONFIG_HOME/tamsel/components.json, looked up afresh at every call.
    static QString defaultFilePath();

    /// The system-wide registries an installation fills, one per configuration folder
    /// of the system ($XDG_CONFIG_DIRS, /etc/xdg by default), in search order.
    static QStringList systemFilePaths();

    QString filePath() const { return m_filePath; }

    /// The class registered under programmaticId (compared without regard to case), if any.
    std::optional<ComponentClass> find(const QString& programmaticId) const;

    /// Records entry, replacing any entry of the same programmatic identifier.
    void add(const ComponentClass& entry) const;

    /// Removes the entry of programmaticId when it records classId; returns whether one was removed.
    bool remove(const QString& programmaticId, const QString& classId) const;

private:
    QJsonObject readClasses() const;
    void writeClasses(const QJsonObject& classes) const;
    template<typename Change>
    bool update(Change change) const;

    QString m_filePath;
};
