#include "DateTimeText.h"

#include <QVariant>

namespace DateTimeText {

QString fromDateTime(const QDateTime &value)
{
    return value.toString(QLatin1String(Format));
}

QDateTime toDateTime(const QString &text)
{
    return QDateTime::fromString(text.trimmed(), QLatin1String(Format));
}

QDateTime fromVariant(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    return toDateTime(value.toString());
}

} // namespace DateTimeText
