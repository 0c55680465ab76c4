// What a screen reader announces for each control of the settings window. A list has no
// caption, and the label before it (a picture or "+") names nothing, so the lists are
// named by their assignment and role; the store boxes by their store; the rest by caption.
#pragma once

#include <string>

#include "core/window/layout.h"

namespace trifolio {

// "Ablage 2, Ausschneiden: Zusatztaste", "Ablage 1: Text", "Übernehmen"; never empty.
std::string accessibleName(layout::ControlId control);

}  // namespace trifolio
