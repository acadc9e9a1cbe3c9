#pragma once

class QWidget;

/// The class object a component library hands out through DllGetClassObject: it makes
/// new instances of one control class. It lives inside the library and is never deleted
/// by the caller.
class ComponentClassFactory {
public:
    virtual ~ComponentClassFactory() = default;

    /// A new instance of the class, owned by parent (by the caller when parent is null).
    virtual QWidget* createInstance(QWidget* parent) const = 0;
};
