#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace monitor {

// Why a silent host may not be the host's fault: whether this machine can
// send to it at all. A send alone does not tell: with the loopback link down
// an echo request to 127.0.0.2 is still accepted and simply never answered.
//
// - Usable: the kernel has a route to the host over a link that is up: its
//   silence is its own.
// - Unrouted: the kernel has no route to this one host (an unreachable,
//   blackhole or prohibit route, or none at all) while this machine has a
//   default route over a link that is up: the machine has its network, the
//   host alone cannot be watched.
// - NoNetwork: the link towards the host is down, or the host has no route
//   and neither has the machine a default route that is up (in either
//   family): the machine itself is cut off, and no silence means anything.
//
// Asked when a host is found silent; the answers are kept for one pass
// (newPass() forgets them), so a pass with a thousand silent hosts behind one
// unplugged cable reads each link's state once. A link that was down when the
// pass began counts as down for the whole pass: the requests went out while
// it was, so a link that came back before the silence was judged still
// explains it.
class LocalNetwork
{
public:
    enum class State { Usable, Unrouted, NoNetwork };

    LocalNetwork() = default;
    virtual ~LocalNetwork() = default;
    LocalNetwork(const LocalNetwork &) = delete;
    LocalNetwork &operator=(const LocalNetwork &) = delete;

    void newPass();
    // An address that is no IP address is never blamed on this machine.
    State stateFor(const QString &ip);

protected:
    // The kernel's choice: the outgoing interface's index, 0 without a
    // route (also an unreachable, blackhole or prohibit route), -1 when the
    // kernel could not be asked (then nothing is blamed on this machine).
    virtual int routeInterface(const QString &ip);
    virtual bool linkRunning(int interfaceIndex);
    // The links that exist and are not up with a carrier, now.
    virtual QSet<int> linksDown();
    // The links this machine's default routes leave through, of both
    // families (empty: none); nothing when the kernel could not be asked.
    virtual std::optional<QList<int>> defaultRouteLinks();

private:
    bool linkUsable(int index);
    bool defaultRouteUsable();

    QHash<QString, State> m_byAddress;
    QHash<int, bool> m_links;
    QSet<int> m_downAtStart;
    std::optional<bool> m_defaultUsable;  // asked once a pass, when first needed
};

} // namespace monitor
