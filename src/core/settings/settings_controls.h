// The settings window's controls that the settings work on: the twelve assignment lists,
// the three options, "Übernehmen", and the state of the options in the window.
#pragma once

#include <array>

#include "core/settings/controls.h"

namespace trifolio {

struct SettingsControls {
    SettingsControls() {
        Command1.enabled = false;  // "Übernehmen" waits for a change
        Check1.setChecked(true);
        Check2.setChecked(true);
        Check3.setChecked(true);
    }

    // Combo1 .. Combo12: the modifier lists are the odd, the key lists the even ones.
    std::array<ComboBox, 12> combos;
    ComboBox& combo(int number) { return combos.at(number - 1); }
    const ComboBox& combo(int number) const { return combos.at(number - 1); }

    CheckBox Check1;  // "Beim Windowsstart automatisch laden"
    CheckBox Check2;  // "Programm beim Start minimieren (Symbolleiste)"
    CheckBox Check3;  // "Vor Tastenkombinationen mit ALT oder STRG+ALT warnen"

    Control Command1;  // "Übernehmen"

    bool OptionsChanged = false;
    bool OptionsLoading = false;
};

}  // namespace trifolio
