#pragma once

// "Today" lives with the base library now, where the data window's checks can read it too.
#include "core/base/today_clock.h"
