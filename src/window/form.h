// The settings window "FConfig" as a model: every control the logic reads or sets,
// by its name. The stores' content is not here but in stores/ (StoreSet); the view
// shows both.
#pragma once

#include <array>
#include <string>

#include "window/controls.h"

namespace trifolio {

struct Form {
    Form() {
        Command1.enabled = false;  // "Übernehmen" waits for a change
        Check1.setChecked(true);
        Check2.setChecked(true);
        Check3.setChecked(true);
        pInfo.visible = false;
        FProgramminfo.visible = false;
        fHilfe.visible = false;
        fKontakt.visible = false;
        tNachricht.text = "Nachricht";
        tName.text = "Name";
        tEmail.text = "Email";
        tHomepage.text = "Homepage";
    }

    // Combo1 .. Combo12: the modifier lists are the odd, the key lists the even ones.
    std::array<ComboBox, 12> combos;
    ComboBox& combo(int number) { return combos.at(number - 1); }
    const ComboBox& combo(int number) const { return combos.at(number - 1); }

    CheckBox Check1;  // "Beim Windowsstart automatisch laden"
    CheckBox Check2;  // "Programm beim Start minimieren (Symbolleiste)"
    CheckBox Check3;  // "Vor Tastenkombinationen mit ALT oder STRG+ALT warnen"

    Control Command1;  // "Übernehmen"

    // TabStrip1: 1 Status, 2 Tastenbelegung, 3 Optionen, 4 Info. TabInfo: 1 to 3.
    int TabStrip1 = 1;
    int TabInfo = 1;

    Frame pStatus, pTastenbelegung, pOptionen, pInfo;
    Frame FProgramminfo, fHilfe, fKontakt;

    TextBox tHilfe;
    TextBox tNachricht, tName, tEmail, tHomepage;
    Control Command8;  // "Absenden"
    std::string Label27 =
        "Über Kritik und Verbesserungsvorschläge würde ich mich sehr freuen. Um dieses "
        "Formular abzuschicken ist eine Verbindung zum Internet nötig.";

    // The control that has the input focus, by name ("Combo4"); empty when unknown.
    std::string focus;

    bool OptionsChanged = false;
    bool OptionsLoading = false;
};

}  // namespace trifolio
