#include "RunningCaption.h"

namespace monitor {

namespace RunningCaption {

quint32 uptimeMinutes(quint32 ticks)
{
    return ticks / 60000u;
}

QString text(const QString &timeOfDay, quint32 ticks)
{
    return QStringLiteral("Orvant  ") + timeOfDay + QStringLiteral("  v2.0.1") + QStringLiteral(" система работает ")
         + QString::number(uptimeMinutes(ticks)) + QStringLiteral(" мин");
}

} // namespace RunningCaption

} // namespace monitor
