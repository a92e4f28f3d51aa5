#pragma once

#include "HostAddress.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace monitor {

// The seam between the polling pass and ICMP: sends echo requests and reports
// the replies that belong to them. The real one is IcmpTransport; tests use a
// scripted fake.
//
// A transport is opened for one pass and closed after it. Every request gets a
// cookie that identifies it among all requests since the transport was
// constructed; a reply is reported with the cookie of its request and the
// address it came from. Both address families go through the same transport,
// so the pass never needs to know which one a host is. After close() no reply to a request sent before is
// ever reported, so a late reply of one pass cannot reach the next.
class EchoTransport : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EchoTransport)

public:
    // send() results besides 0 (sent). The failures are IP status codes, as
    // the probe reports them for an attempt that could not be sent.
    static constexpr int TryAgain = -2;            // the socket is full now; send again a little later
    static constexpr int DestNetUnreachable = 11002;
    static constexpr int DestHostUnreachable = 11003;
    static constexpr int NoResources = 11006;        // the socket stayed full for a whole timeout
    static constexpr int GeneralFailure = 11050;

    explicit EchoTransport(QObject *parent = nullptr);
    ~EchoTransport() override;

    // Makes the echo facility ready for a pass of about expectedRequests
    // requests. False, with the reason in *why, when it cannot be opened.
    virtual bool open(int expectedRequests, QString *why) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // One echo request carrying payload to address.
    // Returns 0 and the request's cookie, TryAgain, or a failure status.
    virtual int send(const HostAddress &address, const QByteArray &payload, quint32 *cookie) = 0;

    // Reports at once the replies already received, so that a deadline is
    // judged on everything that arrived before it.
    virtual void poll() {}

signals:
    // ageNs: how long before this signal the reply reached the machine, so
    // that a reply read late is still timed from its arrival; 0 when the
    // transport cannot tell (it is then timed from now).
    void replyReceived(quint32 cookie, const monitor::HostAddress &fromAddress, qint64 ageNs = 0);
};

} // namespace monitor
