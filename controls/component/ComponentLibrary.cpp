#include "ComponentLibrary.h"

#include "ComponentError.h"

#include <QFileInfo>

namespace {

QString resultText(std::int32_t result)
{
    return QStringLiteral("0x%1").arg(quint32(result), 8, 16, QLatin1Char('0'));
}

}

ComponentLibrary::ComponentLibrary(const QString& path)
    : m_library(QFileInfo(path).absoluteFilePath())
{
}

void ComponentLibrary::load()
{
    if (m_library.isLoaded())
        return;
    if (!QFileInfo::exists(m_library.fileName()))
        throw ComponentError(QStringLiteral("The control library %1 does not exist").arg(m_library.fileName()));
    if (!m_library.load())
        throw ComponentError(QStringLiteral("The control library %1 cannot be loaded: %2")
                                 .arg(m_library.fileName(), m_library.errorString()));
}

template<typename Function>
Function ComponentLibrary::entryPoint(const char* name)
{
    load();
    const auto function = reinterpret_cast<Function>(m_library.resolve(name));
    if (!function)
        throw ComponentError(QStringLiteral("The library %1 is not a self-registering control library: it exports no %2")
                                 .arg(m_library.fileName(), QLatin1String(name)));
    return function;
}

void ComponentLibrary::call(const char* name, std::int32_t result) const
{
    if (result != ComponentResult::Ok)
        throw ComponentError(QStringLiteral("%1 of %2 failed with %3")
                                 .arg(QLatin1String(name), m_library.fileName(), resultText(result)));
}

void ComponentLibrary::registerServer()
{
    call("DllRegisterServer", entryPoint<DllRegisterServerFunction>("DllRegisterServer")());
}

void ComponentLibrary::unregisterServer()
{
    call("DllUnregisterServer", entryPoint<DllUnregisterServerFunction>("DllUnregisterServer")());
}

const ComponentClassFactory& ComponentLibrary::classObject(const QString& classId)
{
    const auto getClassObject = entryPoint<DllGetClassObjectFunction>("DllGetClassObject");
    const ComponentClassFactory* factory = nullptr;
    const std::int32_t result = getClassObject(classId.toUtf8().constData(), &factory);
    if (result == ComponentResult::ClassNotAvailable || (result == ComponentResult::Ok && !factory))
        throw ComponentError(QStringLiteral("The library %1 provides no class %2").arg(m_library.fileName(), classId));
    call("DllGetClassObject", result);
    return *factory;
}

bool ComponentLibrary::canUnloadNow()
{
    return entryPoint<DllCanUnloadNowFunction>("DllCanUnloadNow")() == ComponentResult::Ok;
}
