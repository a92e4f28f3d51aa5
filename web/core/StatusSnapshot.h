#pragma once

#include "StatusBoard.h"

#include <QByteArray>

#include <memory>

namespace web {

// One reading's board with the answers made from it. Made on the database
// thread and never changed after, so any number of requests on the HTTP
// thread read it while the next one is made.
struct StatusSnapshot
{
    StatusBoard board;
    QByteArray hostsJson;
    QByteArray pageJson;
    // The same as a zlib stream, for a browser that takes
    // "Content-Encoding: deflate": a thousand hosts' bars shrink tenfold.
    QByteArray pageJsonDeflated;
    QByteArray metrics;

    static std::shared_ptr<const StatusSnapshot> make(StatusBoard board);
};

} // namespace web
