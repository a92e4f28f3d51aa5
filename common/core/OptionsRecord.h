#pragma once

#include <QString>

// The monitor's settings, the single row of `options`. The defaults are what
// a column that is missing or unusable stands for.
struct OptionsRecord
{
    int refreshTime = 1; // minutes between polling passes
    QString sndErr;      // sound played when a connection is lost
    QString sndRest;     // sound played when it comes back
    int view = 1;        // 1: bring the monitor's window up on an outage
};
