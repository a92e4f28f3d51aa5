#include "FakeClock.h"

namespace monitor {


} // namespace monitor
