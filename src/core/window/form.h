// The settings window "FConfig" as a model: every control the logic reads or sets,
// by its name, and which control of the layout table shows which member. The controls
// of the settings come from settings/ (SettingsControls), the stores' content from
// stores/ (StoreSet); the view shows all of it.
#pragma once

#include <array>
#include <string>

#include "core/settings/controls.h"
#include "core/settings/settings_controls.h"
#include "core/window/layout.h"

namespace trifolio {

struct Form : SettingsControls {
    Form() {
        pInfo.visible = false;
        FProgramminfo.visible = false;
        fHilfe.visible = false;
        fKontakt.visible = false;
        tNachricht.text = "Nachricht";
        tName.text = "Name";
        tEmail.text = "Email";
        tHomepage.text = "Homepage";
    }

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

    // The control to give the input focus next ("Combo4"); none when there is none.
    layout::ControlId focus;
};

// A member of the model and the control that shows it.
template <typename T>
struct Bound {
    layout::ControlId control;
    T Form::*member;
};

// Pages and sub-pages, shown as the model says.
inline constexpr Bound<Frame> kPages[] = {
    {layout::id("pStatus"), &Form::pStatus},
    {layout::id("pTastenbelegung"), &Form::pTastenbelegung},
    {layout::id("pOptionen"), &Form::pOptionen},
    {layout::id("pInfo"), &Form::pInfo},
    {layout::id("FProgramminfo"), &Form::FProgramminfo},
    {layout::id("fHilfe"), &Form::fHilfe},
    {layout::id("fKontakt"), &Form::fKontakt},
};
inline constexpr Bound<CheckBox> kCheckBoxes[] = {
    {layout::id("Check1"), &Form::Check1},
    {layout::id("Check2"), &Form::Check2},
    {layout::id("Check3"), &Form::Check3},
};
// The contact form's fields; what the user types goes into the model.
inline constexpr Bound<TextBox> kContactFields[] = {
    {layout::id("tNachricht"), &Form::tNachricht},
    {layout::id("tName"), &Form::tName},
    {layout::id("tEmail"), &Form::tEmail},
    {layout::id("tHomepage"), &Form::tHomepage},
};
// The lists showing Form::combos: Combo1 at index 0.
inline constexpr std::array<layout::ControlId, 12> kComboLists = {
    layout::id("Combo1"), layout::id("Combo2"),  layout::id("Combo3"),  layout::id("Combo4"),
    layout::id("Combo5"), layout::id("Combo6"),  layout::id("Combo7"),  layout::id("Combo8"),
    layout::id("Combo9"), layout::id("Combo10"), layout::id("Combo11"), layout::id("Combo12"),
};

}  // namespace trifolio
