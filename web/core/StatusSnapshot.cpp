#include "StatusSnapshot.h"

#include "MetricsText.h"
#include "StatusJson.h"

namespace web {

std::shared_ptr<const StatusSnapshot> StatusSnapshot::make(StatusBoard board)
{
    auto s = std::make_shared<StatusSnapshot>();
    s->board = std::move(board);
    s->hostsJson = StatusJson::hosts(s->board);
    s->pageJson = StatusJson::page(s->board, true);
    // qCompress writes the length in four bytes before the zlib stream.
    s->pageJsonDeflated = qCompress(s->pageJson, 6).mid(4);
    s->metrics = MetricsText::hosts(s->board);
    return s;
}

} // namespace web
