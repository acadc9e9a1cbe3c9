#pragma once

#include <QtGlobal>

// Only the entry points and the classes that linking clients (tests, the form-editor
// plugin) need are visible outside the library.
#if defined(ROLDA_BUILDING)
#define ROLDA_EXPORT Q_DECL_EXPORT
#else
#define ROLDA_EXPORT Q_DECL_IMPORT
#endif
