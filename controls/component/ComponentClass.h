#pragma once

#include <QString>

/// One class as the component registry records it.
struct ComponentClass {
    QString programmaticId; ///< e.g. "rolda.etidesp2"
    QString className;
    QString classId; ///< "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
    QString library; ///< absolute path of the library file
    QString typeLibrary;
    QString typeLibraryId;
    QString version;

    bool operator==(const ComponentClass&) const = default;
};
