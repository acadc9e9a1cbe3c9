#pragma once

#include "ComponentEntryPoints.h"

#include <QLibrary>
#include <QString>

class ComponentClassFactory;

/// A self-registering control library reached through its four entry points. The
/// library stays loaded for the rest of the run: instances made from it may outlive
/// this object. Every failure is a ComponentError naming the library.
class ComponentLibrary {
public:
    /// The library in path (made absolute); nothing is loaded yet.
    explicit ComponentLibrary(const QString& path);

    QString path() const { return m_library.fileName(); }

    /// Loads the library; throws when it cannot be loaded.
    void load();
    /// Calls DllRegisterServer; throws when it is missing or fails.
    void registerServer();
    /// Calls DllUnregisterServer; throws when it is missing or fails.
    void unregisterServer();
    /// The class object of classId from DllGetClassObject; throws when the library does not provide it.
    const ComponentClassFactory& classObject(const QString& classId);
    /// Whether DllCanUnloadNow says no instance of the library's classes is alive.
    bool canUnloadNow();

private:
    template<typename Function>
    Function entryPoint(const char* name);
    void call(const char* name, std::int32_t result) const;

    QLibrary m_library;
};
