#include "MapPropertyBag.h"

namespace {

// A missing default stands for "no value", which equals False, 0 and the empty text:
// a value like those is not worth storing.
bool isEmptyValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return !value.toBool();
    case QMetaType::QString:
        return value.toString().isEmpty();
    default:
        return value.canConvert<double>() && value.toDouble() == 0.0;
    }
}

bool equalsDefault(const QVariant& value, const QVariant& defaultValue)
{
    if (!defaultValue.isValid())
        return isEmptyValue(value);
    return value == defaultValue;
}

}

MapPropertyBag::MapPropertyBag(const QVariantMap& entries)
    : m_entries(entries)
    , m_names(entries.keys())
{
}

QVariant MapPropertyBag::readProperty(const QString& name, const QVariant& defaultValue) const
{
    return m_entries.value(name, defaultValue);
}

void MapPropertyBag::writeProperty(const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    if (equalsDefault(value, defaultValue)) {
        m_entries.remove(name);
        m_names.removeAll(name);
        return;
    }
    if (!m_entries.contains(name))
        m_names.append(name);
    m_entries.insert(name, value);
}
