#pragma once

#include <QString>

namespace admin {

// The monitor's settings, the single row of `options`.
struct OptionsRecord
{
    int refreshTime = 0; // minutes between polling passes
    QString sndErr;      // sound played when a connection is lost
    QString sndRest;     // sound played when it comes back
    int view = 0;        // 1: bring the monitor's window up on an outage
};

} // namespace admin
