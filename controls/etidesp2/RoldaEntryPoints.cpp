// The library's four exported entry points: self-registration in the component
// registry, and the class object that makes etidesp2 instances.

#include "ComponentClass.h"
#include "ComponentClassFactory.h"
#include "ComponentEntryPoints.h"
#include "ComponentRegistry.h"
#include "RoldaExport.h"
#include "etidesp2.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaClassInfo>
#include <QUuid>

#include <exception>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

class etidesp2ClassFactory final : public ComponentClassFactory {
public:
    QWidget* createInstance(QWidget* parent) const override { return new etidesp2(parent); }
};

const etidesp2ClassFactory etidesp2ClassObject;

QString classInfo(const char* name)
{
    const QMetaObject& meta = etidesp2::staticMetaObject;
    return QString::fromUtf8(meta.classInfo(meta.indexOfClassInfo(name)).value());
}

// The file this code was loaded from: that is what the registry must point hosts to.
QString ownLibraryPath()
{
#if defined(Q_OS_WIN)
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownLibraryPath), &module);
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return QFileInfo(QString::fromWCharArray(path, int(length))).absoluteFilePath();
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownLibraryPath), &info) == 0 || !info.dli_fname)
        return {};
    const QFileInfo file(QFile::decodeName(info.dli_fname));
    return file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
#endif
}

ComponentClass etidesp2Class()
{
    return ComponentClass{
        classInfo("ProgId"),
        QString::fromLatin1(etidesp2::staticMetaObject.className()),
        classInfo("ClassId"),
        ownLibraryPath(),
        classInfo("TypeLibrary"),
        classInfo("TypeLibraryId"),
        classInfo("Version"),
    };
}

// No exception may cross the C entry points: a failure becomes a result code, and its
// reason goes to the log for the person registering.
template<typename Work>
std::int32_t guarded(const char* entryPoint, Work work)
{
    try {
        work();
        return ComponentResult::Ok;
    } catch (const std::exception& e) {
        qWarning("rolda: %s: %s", entryPoint, e.what());
        return ComponentResult::RegistrationFailed;
    }
}

}

extern "C" ROLDA_EXPORT std::int32_t DllRegisterServer()
{
    return guarded("DllRegisterServer", [] { ComponentRegistry().add(etidesp2Class()); });
}

extern "C" ROLDA_EXPORT std::int32_t DllUnregisterServer()
{
    return guarded("DllUnregisterServer", [] { ComponentRegistry().remove(classInfo("ProgId"), classInfo("ClassId")); });
}

extern "C" ROLDA_EXPORT std::int32_t DllGetClassObject(const char* classId, const ComponentClassFactory** classObject)
{
    if (!classId || !classObject)
        return ComponentResult::InvalidArgument;
    *classObject = nullptr;
    const QUuid wanted = QUuid::fromString(QLatin1String(classId));
    if (wanted.isNull() || wanted != QUuid::fromString(classInfo("ClassId")))
        return ComponentResult::ClassNotAvailable;
    *classObject = &etidesp2ClassObject;
    return ComponentResult::Ok;
}

extern "C" ROLDA_EXPORT std::int32_t DllCanUnloadNow()
{
    return etidesp2::instanceCount() == 0 ? ComponentResult::Ok : ComponentResult::False;
}
