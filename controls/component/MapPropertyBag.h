#pragma once

#include "PropertyBag.h"

#include <QStringList>
#include <QVariantMap>

/// A property bag held in memory: the stored entries of one control instance, in the
/// order they were written.
class MapPropertyBag : public PropertyBag {
public:
    MapPropertyBag() = default;
    /// A bag that already holds entries, as a host loads them from its own storage.
    explicit MapPropertyBag(const QVariantMap& entries);

    QVariant readProperty(const QString& name, const QVariant& defaultValue) const override;
    void writeProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) override;

    /// The stored entries.
    QVariantMap entries() const { return m_entries; }
    /// Names of the stored entries, in the order they were first written.
    QStringList names() const { return m_names; }
    bool contains(const QString& name) const { return m_entries.contains(name); }

private:
    QVariantMap m_entries;
    QStringList m_names;
};
