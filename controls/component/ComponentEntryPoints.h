#pragma once

// The four entry points every self-registering control library exports with C linkage,
// and the result codes they return. Hosts resolve them by name with QLibrary.

#include <cstdint>

class ComponentClassFactory;

namespace ComponentResult {
inline constexpr std::int32_t Ok = 0;
/// DllCanUnloadNow: instances of the library's classes are still alive.
inline constexpr std::int32_t False = 1;
inline constexpr std::int32_t Failed = std::int32_t(0x80004005u);
inline constexpr std::int32_t InvalidArgument = std::int32_t(0x80070057u);
inline constexpr std::int32_t ClassNotAvailable = std::int32_t(0x80040111u);
/// DllRegisterServer / DllUnregisterServer could not update the component registry.
inline constexpr std::int32_t RegistrationFailed = std::int32_t(0x80040201u);
}

extern "C" {
/// Records the library's classes in the component registry.
using DllRegisterServerFunction = std::int32_t (*)();
/// Removes the library's classes from the component registry.
using DllUnregisterServerFunction = std::int32_t (*)();
/// Hands out the class object of the class whose identifier is classId ("{...}" form).
using DllGetClassObjectFunction = std::int32_t (*)(const char* classId, const ComponentClassFactory** classObject);
/// Ok when no instance of the library's classes is alive, False otherwise.
using DllCanUnloadNowFunction = std::int32_t (*)();
}
