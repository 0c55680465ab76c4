// Names for screen readers: a control answers the request for its accessible object with
// the system's standard object under the name the program gives it (a combo box would
// otherwise be named after the label before it, a picture or "+").
#pragma once

#include <windows.h>

#include "core/window/layout.h"

namespace trifolio::win32 {

// From now on `window` is announced under accessibleName(control).
void nameForScreenReaders(HWND window, layout::ControlId control);

}  // namespace trifolio::win32
