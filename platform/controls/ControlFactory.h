#pragma once

#include <QString>
#include <QStringList>

class PropertyBag;
class QWidget;
class Trace;

/// Creates controls of outside libraries by their programmatic identifier
/// ("rolda.etidesp2"), through the component registry the libraries write when they
/// register themselves. The player never links those libraries.
class ControlFactory {
public:
    /// A factory that looks classes up in the registry file registryPath. Empty: the
    /// user's registry ($XDG_CONFIG_HOME/tamsel/components.json), then the system-wide
    /// ones an installation fills (ComponentRegistry::systemFilePaths()); the user's own
    /// entry wins, so a library registered from a build folder overrides the installed one.
    explicit ControlFactory(QString registryPath = {});

    /// A new instance of the control registered as programmaticId, owned by parent.
    /// Throws CourseError naming the identifier when it is not registered (naming every
    /// registry searched), its library cannot be loaded, or the library does not provide
    /// the class.
    QWidget* create(const QString& programmaticId, QWidget* parent) const;

    /// True when a registry the factory searches names programmaticId.
    bool isRegistered(const QString& programmaticId) const { return !registryOf(programmaticId).isEmpty(); }

    /// Every control created from now on writes `control.create` {progid, library,
    /// registry} to TRACE: which registration a player used is otherwise invisible.
    void setTrace(Trace* trace) { m_trace = trace; }

    /// Applies the stored entries of bag to control (its ReadProperties). Throws
    /// CourseError naming the control when it cannot read a bag or an entry is unusable.
    static void readProperties(QWidget* control, const PropertyBag& bag);

private:
    QStringList registries() const;
    /// The first registry that names programmaticId, or empty.
    QString registryOf(const QString& programmaticId) const;

    QString m_registryPath;
    Trace* m_trace = nullptr;
};
