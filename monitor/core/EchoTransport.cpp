#include "EchoTransport.h"

namespace monitor {

EchoTransport::EchoTransport(QObject *parent)
    : QObject(parent)
{
}

EchoTransport::~EchoTransport() = default;

} // namespace monitor
