#pragma once

#include "EchoTransport.h"

#include <QSet>
#include <QTimer>

// An echo transport inside the benchmark's own process: a host that is up
// answers at once, one in `down` never does. No ICMP is sent.
class LocalTransport final : public monitor::EchoTransport
{
public:
    QSet<monitor::HostAddress> down;
    bool open(int, QString *) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    int send(const monitor::HostAddress &address, const QByteArray &, quint32 *cookie) override
    {
        *cookie = ++m_next;
        if (!down.contains(address)) {
            const quint32 c = *cookie;
            QTimer::singleShot(0, this, [this, c, address] { emit replyReceived(c, address); });
        }
        return 0;
    }

private:
    bool m_open = false;
    quint32 m_next = 0;
};
