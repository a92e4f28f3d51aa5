#include "PropertyBag.h"

namespace {

// A value converted to the type of its default, so that 255 stored as text
// or as a 16-bit integer still compares equal to the default 255.
QVariant asTypeOf(const QVariant &value, const QVariant &defaultValue)
{
    if (!defaultValue.isValid() || !value.isValid() || value.metaType() == defaultValue.metaType())
        return value;
    QVariant converted = value;
    if (!converted.convert(defaultValue.metaType()))
        return value;
    return converted;
}

} // namespace

PropertyBag::PropertyBag(std::initializer_list<std::pair<QString, QVariant>> values)
{
    for (const auto &entry : values)
        WriteProperty(entry.first, entry.second);
}

QVariant PropertyBag::ReadProperty(const QString &name, const QVariant &defaultValue) const
{
    const int index = indexOf(name);
    if (index < 0)
        return defaultValue;
    return asTypeOf(m_values.at(index).second, defaultValue);
}

void PropertyBag::WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue)
{
    const QVariant stored = asTypeOf(value, defaultValue);
    if (defaultValue.isValid() && stored == defaultValue) {
        remove(name);
        return;
    }
    const int index = indexOf(name);
    if (index >= 0)
        m_values[index].second = stored;
    else
        m_values.append({name, stored});
}

QStringList PropertyBag::names() const
{
    QStringList result;
    result.reserve(m_values.size());
    for (const auto &entry : m_values)
        result.append(entry.first);
    return result;
}

void PropertyBag::remove(const QString &name)
{
    const int index = indexOf(name);
    if (index >= 0)
        m_values.removeAt(index);
}

QVariantMap PropertyBag::toMap() const
{
    QVariantMap map;
    for (const auto &entry : m_values)
        map.insert(entry.first, entry.second);
    return map;
}

PropertyBag PropertyBag::fromMap(const QVariantMap &map)
{
    PropertyBag bag;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        bag.WriteProperty(it.key(), it.value());
    return bag;
}

int PropertyBag::indexOf(const QString &name) const
{
    for (int i = 0; i < m_values.size(); ++i) {
        if (m_values.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
