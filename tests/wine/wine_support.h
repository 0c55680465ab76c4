// What every test against the real Win32 APIs under Wine shares: the one bounded wait.
#pragma once

#include <windows.h>

#include "../support/pump.h"

namespace trifolio::wine_test {

using namespace std::chrono_literals;
using test::pumpUntil;

}  // namespace trifolio::wine_test
