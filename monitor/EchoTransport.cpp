#include "EchoTransport.h"

EchoTransport::EchoTransport(QObject *parent)
    : QObject(parent)
{
}

EchoTransport::~EchoTransport() = default;
