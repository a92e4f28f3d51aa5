#pragma once

#include "TickSource.h"

namespace monitor {

// A tick count the test sets.
class FakeTickSource final : public TickSource
{
public:
    quint32 milliseconds() const override { return value; }
    quint32 value = 0;
};

} // namespace monitor
