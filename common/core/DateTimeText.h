#pragma once

#include <QDateTime>
#include <QString>

// Date-times as the database stores them: text 'YYYY-MM-DD HH:MM:SS' in local
// time. The text sorts and compares in time order, so statements compare
// bound values of this form directly.
namespace DateTimeText {

inline constexpr char Format[] = "yyyy-MM-dd HH:mm:ss";

QString fromDateTime(const QDateTime &value);
// An invalid QDateTime when the text is not of the stored form.
QDateTime toDateTime(const QString &text);
// A stored value as read from a query (text, or a QDateTime from a driver).
QDateTime fromVariant(const QVariant &value);

} // namespace DateTimeText
