#include "Clock.h"

namespace monitor {

Clock::~Clock() = default;

} // namespace monitor
