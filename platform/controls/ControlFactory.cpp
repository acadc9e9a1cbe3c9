#include "ControlFactory.h"

#include "ComponentClassFactory.h"
#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"
#include "CourseError.h"
#include "PropertyBag.h"
#include "Trace.h"

#include <QJsonObject>
#include <QMetaObject>
#include <QStringList>
#include <QWidget>

#include <stdexcept>

ControlFactory::ControlFactory(QString registryPath)
    : m_registryPath(std::move(registryPath))
{
}

QStringList ControlFactory::registries() const
{
    if (m_registryPath.isEmpty())
        return QStringList { ComponentRegistry::defaultFilePath() } + ComponentRegistry::systemFilePaths();
    return { m_registryPath };
}

QString ControlFactory::registryOf(const QString& programmaticId) const
{
    const QStringList searched = registries();
    for (const QString& path : searched) {
        if (ComponentRegistry(path).find(programmaticId))
            return path;
    }
    return {};
}

QWidget* ControlFactory::create(const QString& programmaticId, QWidget* parent) const
{
    try {
        const QString registry = registryOf(programmaticId);
        if (registry.isEmpty())
            throw CourseError(QStringLiteral("The control %1 is not registered (component registries searched: %2)")
                                  .arg(programmaticId, registries().join(QStringLiteral(", "))));
        const std::optional<ComponentClass> entry = ComponentRegistry(registry).find(programmaticId);
        ComponentLibrary library(entry->library);
        QWidget* control = library.classObject(entry->classId).createInstance(parent);
        if (!control)
            throw CourseError(QStringLiteral("The library %1 made no instance of the control %2").arg(entry->library, programmaticId));
        if (m_trace)
            m_trace->event("control.create",
                { { QStringLiteral("progid"), programmaticId }, { QStringLiteral("library"), entry->library },
                    { QStringLiteral("registry"), registry } });
        return control;
    } catch (const ComponentError& e) {
        throw CourseError(QStringLiteral("The control %1 cannot be created: %2").arg(programmaticId, e.message()));
    }
}

void ControlFactory::readProperties(QWidget* control, const PropertyBag& bag)
{
    const QString name = control->metaObject()->className();
    try {
        if (!QMetaObject::invokeMethod(control, "ReadProperties", Qt::DirectConnection, Q_ARG(const PropertyBag*, &bag)))
            throw CourseError(QStringLiteral("The control %1 cannot read stored properties").arg(name));
    } catch (const std::invalid_argument& e) {
        throw CourseError(QStringLiteral("The stored properties of the control %1 are unusable: %2")
                              .arg(name, QString::fromStdString(e.what())));
    }
}
