#pragma once

#include "PassNotifier.h"

namespace monitor {

// Records each pass's notification instead of sending it.
class FakeNotifier final : public PassNotifier
{
    Q_OBJECT

public:
    struct Call
    {
        QList<NotifiedHost> began;
        QList<NotifiedHost> ended;
    };
    QList<Call> calls;

    void passEnded(const QList<NotifiedHost> &began, const QList<NotifiedHost> &ended) override
    {
        calls.append({began, ended});
    }
    // Every host back, as each pass told it.
    QStringList back;
    void hostsBack(const QStringList &ips) override { back += ips; }
    // As the desktop does when the operator clicks a notification.
    void click() { emit openRequested(); }
};

} // namespace monitor
