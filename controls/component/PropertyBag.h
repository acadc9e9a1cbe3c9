#pragma once

#include <QString>
#include <QVariant>

/// Where a host keeps the stored properties of a control instance. The control reads and
/// writes its entries in its own fixed order; the bag decides what is actually stored.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;

    /// The stored value of name, or defaultValue when the bag holds no entry for it.
    virtual QVariant readProperty(const QString& name, const QVariant& defaultValue) const = 0;

    /// Stores value under name, unless it equals defaultValue: then no entry is kept.
    virtual void writeProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) = 0;
};
