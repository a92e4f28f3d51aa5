#pragma once

#include <QHash>
#include <QSet>
#include <QString>

namespace monitor {

// Whether this machine can send to an address at all: the kernel has a route
// to it, and the link that route leaves through is up and has a carrier. A
// send alone does not tell: with the loopback link down an echo request to
// 127.0.0.2 is still accepted and simply never answered.
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
    enum class State { Usable, NoRoute, LinkDown };

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

private:
    QHash<QString, State> m_byAddress;
    QHash<int, bool> m_links;
    QSet<int> m_downAtStart;
};

} // namespace monitor
