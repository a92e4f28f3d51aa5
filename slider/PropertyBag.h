#pragma once

#include "VeltrackExport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <utility>

// The named values a host stores with the description of its window so that
// a control comes back as it was saved. Writing a value together with its
// default leaves the name out when the value equals the default, so a
// description holds only what differs from the defaults; reading a name that
// is not there gives the default. Names compare without regard to case and
// keep the order in which they were first written.
class VELTRACK_EXPORT PropertyBag
{
public:
    PropertyBag() = default;
    // A stored description, e.g. PropertyBag{{QStringLiteral("Enabled"), true}}.
    PropertyBag(std::initializer_list<std::pair<QString, QVariant>> values);

    // The stored value, converted to the default's type when a default is
    // given and the conversion exists; the default when the name is absent.
    QVariant ReadProperty(const QString &name, const QVariant &defaultValue = QVariant()) const;
    // Stores value under name, or removes name when value equals defaultValue.
    void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue = QVariant());

    bool contains(const QString &name) const { return indexOf(name) >= 0; }
    bool isEmpty() const { return m_values.isEmpty(); }
    QStringList names() const;
    void remove(const QString &name);

    QVariantMap toMap() const;
    static PropertyBag fromMap(const QVariantMap &map);

private:
    int indexOf(const QString &name) const;

    QList<std::pair<QString, QVariant>> m_values;
};
