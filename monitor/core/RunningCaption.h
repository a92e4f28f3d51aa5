#pragma once

#include <QString>
#include <QtGlobal>

namespace monitor {

// The main window's caption while the monitor runs, renewed every second:
// "Orvant  13:05:09  v2.0.1 система работает 125 мин".
namespace RunningCaption {

// Whole minutes of a 32-bit millisecond tick count: 0 … 71582.
quint32 uptimeMinutes(quint32 ticks);
QString text(const QString &timeOfDay, quint32 ticks);

} // namespace RunningCaption

} // namespace monitor
