#pragma once

#include "PollingEngine.h"

#include <QList>
#include <QObject>
#include <QStringList>

namespace monitor {

// The changes an engine decides, as it tells them, sorted by kind.
class ChangeLog final : public QObject
{
public:
    explicit ChangeLog(PollingEngine *engine)
    {
        connect(engine, &PollingEngine::changeDecided, this, [this](const OutageChange &c) {
            all.append(c);
            (c.kind == OutageChange::Began ? began : ended).append(c);
        });
    }

    QList<OutageChange> all;
    QList<OutageChange> began;
    QList<OutageChange> ended;
};

} // namespace monitor
