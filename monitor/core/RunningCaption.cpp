#include "RunningCaption.h"

#include <QCoreApplication>

namespace monitor {

namespace RunningCaption {

quint32 uptimeMinutes(quint32 ticks)
{
    return ticks / 60000u;
}

QString text(const QString &timeOfDay, quint32 ticks)
{
    return QStringLiteral("Orvant  ") + timeOfDay + QStringLiteral("  v2.0.1")
         + QCoreApplication::translate("monitor::RunningCaption", " система работает ", "the caption: uptime")
         + QString::number(uptimeMinutes(ticks))
         + QCoreApplication::translate("monitor::RunningCaption", " мин", "the caption: minutes");
}

} // namespace RunningCaption

} // namespace monitor
