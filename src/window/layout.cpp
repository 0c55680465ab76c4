#include "window/layout.h"

#include <cstdint>

namespace trifolio::layout {
namespace {

constexpr unsigned kStoreText =
    kMultiLine | kVScroll | kHScroll | kReadOnly | kButtonFace | kTabStop;
// One line per control, in creation and Tab order. Frames and pages hold the controls
// that name them as parent; places are relative to the parent.
// clang-format off
const ControlRow kControls[] = {
    {Kind::TabStrip, "TabStrip1", "", "", "", kTabStop, {120, 120, 6615, 4215}},

    // Page "Status": one row per store under the two column heads.
    {Kind::Page, "pStatus", "", "", "", kPlain, {240, 600, 6375, 3615}},
    {Kind::Label, "Label16", "pStatus", "Bild", "", kCentre, {2280, 120, 975, 240}},
    {Kind::Label, "Label17", "pStatus", "Text", "", kCentre, {3600, 120, 2535, 240}},
    {Kind::Label, "Label1", "pStatus", "(Windows-) Ablage 1:", "", kRight | kBold, {0, 360, 1935, 240}},
    {Kind::Button, "Command5", "pStatus", "Löschen", "Leert die Ablage 1", kTabStop, {1080, 600, 855, 255}},
    {Kind::Picture, "CB1image2", "pStatus", "", "", kBorder, {2280, 360, 975, 975}},
    {Kind::TextBox, "CB1text", "pStatus", "leer", "", kStoreText, {3600, 360, 2535, 975}},
    {Kind::Label, "Label2", "pStatus", "Ablage 2:", "", kRight | kBold, {240, 1440, 1695, 240}},
    {Kind::Button, "Command6", "pStatus", "Löschen", "Leert die Ablage 2", kTabStop, {1080, 1680, 855, 255}},
    {Kind::Picture, "CB2image2", "pStatus", "", "", kBorder, {2280, 1440, 975, 975}},
    {Kind::TextBox, "CB2text", "pStatus", "leer", "", kStoreText, {3600, 1440, 2535, 975}},
    {Kind::Label, "Label3", "pStatus", "Ablage 3:", "", kRight | kBold, {120, 2520, 1815, 240}},
    {Kind::Button, "Command7", "pStatus", "Löschen", "Leert die Ablage 3", kTabStop, {1080, 2760, 855, 255}},
    {Kind::Picture, "CB3image2", "pStatus", "", "", kBorder, {2280, 2520, 975, 975}},
    {Kind::TextBox, "CB3text", "pStatus", "leer", "", kStoreText, {3600, 2520, 2535, 975}},

    // Page "Tastenbelegung": the six assignments, three per store. The 16-pixel action
    // pictures sit 30 twips below the top of the 315-twip list beside them, centred on it.
    // The modifier lists are 1260 twips wide rather than 1095, so that "STRG+ALT" fits
    // beside today's wider drop-down buttons: they start 60 twips further left, the "+"
    // is narrower and the key lists start 60 twips further left, still ending 120 twips
    // inside their frame.
    {Kind::Page, "pTastenbelegung", "", "", "", kHidden, {240, 600, 6375, 3615}},
    {Kind::GroupBox, "Frame1", "pTastenbelegung", "Ablage 2:", "", kBold, {240, 120, 2775, 3255}},
    {Kind::Label, "Label4", "Frame1", "Ausschneiden", "", kPlain, {120, 360, 2535, 240}},
    {Kind::Picture, "Image1", "Frame1", "", "", kPlain, {120, 630, 240, 240}},
    {Kind::ComboList, "Combo1", "Frame1", "", "", kTabStop, {420, 600, 1260, 315}},
    {Kind::Label, "Label10", "Frame1", "+", "", kCentre, {1680, 600, 180, 315}, kPlusFont},
    {Kind::ComboList, "Combo2", "Frame1", "", "", kTabStop, {1860, 600, 795, 315}},
    {Kind::Label, "Label5", "Frame1", "Kopieren", "", kPlain, {120, 1320, 2535, 240}},
    {Kind::Picture, "Image2", "Frame1", "", "", kPlain, {120, 1590, 240, 240}},
    {Kind::ComboList, "Combo3", "Frame1", "", "", kTabStop, {420, 1560, 1260, 315}},
    {Kind::Label, "Label11", "Frame1", "+", "", kCentre, {1680, 1560, 180, 315}, kPlusFont},
    {Kind::ComboList, "Combo4", "Frame1", "", "", kTabStop, {1860, 1560, 795, 315}},
    {Kind::Label, "Label6", "Frame1", "Einfügen", "", kPlain, {120, 2280, 2535, 240}},
    {Kind::Picture, "Image3", "Frame1", "", "", kPlain, {120, 2550, 240, 240}},
    {Kind::ComboList, "Combo5", "Frame1", "", "", kTabStop, {420, 2520, 1260, 315}},
    {Kind::Label, "Label12", "Frame1", "+", "", kCentre, {1680, 2520, 180, 315}, kPlusFont},
    {Kind::ComboList, "Combo6", "Frame1", "", "", kTabStop, {1860, 2520, 795, 315}},
    {Kind::GroupBox, "Frame2", "pTastenbelegung", "Ablage 3:", "", kBold, {3360, 120, 2775, 3255}},
    {Kind::Label, "Label7", "Frame2", "Ausschneiden", "", kPlain, {120, 360, 2535, 240}},
    {Kind::Picture, "Image4", "Frame2", "", "", kPlain, {120, 630, 240, 240}},
    {Kind::ComboList, "Combo7", "Frame2", "", "", kTabStop, {420, 600, 1260, 315}},
    {Kind::Label, "Label13", "Frame2", "+", "", kCentre, {1680, 600, 180, 315}, kPlusFont},
    {Kind::ComboList, "Combo8", "Frame2", "", "", kTabStop, {1860, 600, 795, 315}},
    {Kind::Label, "Label8", "Frame2", "Kopieren", "", kPlain, {120, 1320, 2535, 240}},
    {Kind::Picture, "Image5", "Frame2", "", "", kPlain, {120, 1590, 240, 240}},
    {Kind::ComboList, "Combo9", "Frame2", "", "", kTabStop, {420, 1560, 1260, 315}},
    {Kind::Label, "Label14", "Frame2", "+", "", kCentre, {1680, 1560, 180, 315}, kPlusFont},
    {Kind::ComboList, "Combo10", "Frame2", "", "", kTabStop, {1860, 1560, 795, 315}},
    {Kind::Label, "Label9", "Frame2", "Einfügen", "", kPlain, {120, 2280, 2535, 240}},
    {Kind::Picture, "Image6", "Frame2", "", "", kPlain, {120, 2550, 240, 240}},
    {Kind::ComboList, "Combo11", "Frame2", "", "", kTabStop, {420, 2520, 1260, 315}},
    {Kind::Label, "Label15", "Frame2", "+", "", kCentre, {1680, 2520, 180, 315}, kPlusFont},
    {Kind::ComboList, "Combo12", "Frame2", "", "", kTabStop, {1860, 2520, 795, 315}},

    // Page "Optionen".
    {Kind::Page, "pOptionen", "", "", "", kHidden, {240, 600, 6375, 3615}},
    {Kind::CheckBox, "Check1", "pOptionen", "Beim Windowsstart automatisch laden", "Das Programm wird bei jedem Windowsstart automatisch geladen", kTabStop, {480, 240, 5415, 255}},
    {Kind::CheckBox, "Check2", "pOptionen", "Programm beim Start minimieren (Symbolleiste)", "Das Programm wird beim Starten direkt in die Symbolleiste minimiert", kTabStop, {480, 720, 5415, 255}},
    {Kind::CheckBox, "Check3", "pOptionen", "Vor Tastenkombinationen mit ALT oder STRG+ALT warnen", "", kTabStop, {480, 1200, 5415, 255}},

    // Page "Info" with its own tab strip and three sub-pages. Its tabs run along the top
    // like those of TabStrip1 (tabs along the bottom have no proper look with visual
    // styles), so the sub-pages start below them, 120 twips inside the strip's pane.
    {Kind::Page, "pInfo", "", "", "", kHidden, {240, 600, 6375, 3615}},
    {Kind::TabStrip, "TabInfo", "pInfo", "", "", kTabStop, {120, 120, 6135, 3375}},
    {Kind::Page, "FProgramminfo", "pInfo", "", "", kHidden, {240, 600, 5895, 2775}},
    {Kind::Label, "Label18", "FProgramminfo", "Trifolio", "", kPlain, {240, 120, 3735, 720}, kTitleFont},
    {Kind::Picture, "Image7", "FProgramminfo", "", "", kPlain, {4800, 0, 1080, 1080}},
    {Kind::Label, "Label21", "FProgramminfo", "Version 1.1", "", kPlain, {480, 840, 4200, 240}},
    {Kind::Label, "Label19", "FProgramminfo", "Datum der Entwicklung: Oktober / 2001", "", kPlain, {480, 1080, 4200, 240}},
    {Kind::Label, "Label20", "FProgramminfo", "Autor: Jakob Vennhaus", "", kPlain, {480, 1560, 4200, 240}},
    {Kind::Label, "Label24", "FProgramminfo", "eMail: jakob@vennhaus.example", "", kPlain, {480, 2040, 4200, 240}},
    {Kind::Label, "Label25", "FProgramminfo", "Internet: www.vennhaus.example", "", kPlain, {480, 2280, 4200, 240}},
    {Kind::Page, "fHilfe", "pInfo", "", "", kHidden, {240, 600, 5895, 2775}},
    {Kind::TextBox, "tHilfe", "fHilfe", "", "", kMultiLine | kVScroll | kReadOnly | kTabStop, {120, 120, 5655, 2535}},
    {Kind::Page, "fKontakt", "pInfo", "", "", kHidden, {240, 600, 5895, 2775}},
    {Kind::Label, "Label26", "fKontakt", "Kontaktschreiben", "", kUnderline, {120, 120, 1455, 255}},
    {Kind::Label, "Label27", "fKontakt", "Über Kritik und Verbesserungsvorschläge würde ich mich sehr freuen. Um dieses Formular "
        "abzuschicken ist eine Verbindung zum Internet nötig.",
        "", kWrap, {1920, 120, 3855, 900}},
    {Kind::TextBox, "tNachricht", "fKontakt", "Nachricht", "", kMultiLine | kVScroll | kTabStop, {120, 1080, 3135, 1575}},
    {Kind::TextBox, "tName", "fKontakt", "Name", "", kTabStop, {3480, 1080, 2295, 255}},
    {Kind::TextBox, "tEmail", "fKontakt", "Email", "", kTabStop, {3480, 1440, 2295, 255}},
    {Kind::TextBox, "tHomepage", "fKontakt", "Homepage", "", kTabStop, {3480, 1800, 2295, 255}},
    {Kind::Button, "Command8", "fKontakt", "Absenden", "", kTabStop, {4800, 2280, 975, 375}},

    // Along the bottom edge.
    {Kind::Button, "Command4", "", "Beenden", "Beendet das programm", kTabStop, {120, 4680, 1095, 375}},
    {Kind::Picture, "Picture1", "", "", "", kHidden, {1440, 4440, 375, 375}},
    {Kind::Button, "Command3", "", "OK", "Speichert Einstellungen und minimiert das Programm in die Symbolleiste", kTabStop, {3240, 4680, 1095, 375}},
    {Kind::Button, "Command2", "", "Abbrechen", "Minimiert das Programm in die Symbolleiste ohne veränderte Einstellungen abzuspeichern", kTabStop, {4440, 4680, 1095, 375}},
    {Kind::Button, "Command1", "", "Übernehmen", "Speichert Einstellungen", kTabStop | kDisabled, {5640, 4680, 1095, 375}},
    {Kind::StatusBar, "StatusBar1", "", "", "", kPlain, {0, 5175, 6855, 375}},
};
// clang-format on

constexpr std::string_view kMainTabs[] = {"Status", "Tastenbelegung", "Optionen", "Info"};
constexpr std::string_view kInfoTabs[] = {"Programminfo", "Hilfe", "Kontakt"};

Rect offset(Rect r, const Rect& by) {
    r.left += by.left;
    r.top += by.top;
    return r;
}

int scale(int twips, int dpi) {
    const std::int64_t product = static_cast<std::int64_t>(twips) * dpi;
    const std::int64_t half = product >= 0 ? 720 : -720;
    return static_cast<int>((product + half) / 1440);
}

}  // namespace

std::span<const ControlRow> controls() {
    return kControls;
}

const ControlRow* find(std::string_view name) {
    for (const auto& c : kControls)
        if (c.name == name)
            return &c;
    return nullptr;
}

std::span<const std::string_view> tabsOf(std::string_view tabStrip) {
    if (tabStrip == "TabStrip1")
        return kMainTabs;
    if (tabStrip == "TabInfo")
        return kInfoTabs;
    return {};
}

Rect absoluteTwips(const ControlRow& control) {
    Rect r = control.twips;
    for (const ControlRow* p = find(control.parent); p; p = find(p->parent))
        r = offset(r, p->twips);
    return r;
}

std::string_view windowParent(const ControlRow& control) {
    for (const ControlRow* p = find(control.parent); p; p = find(p->parent))
        if (p->kind == Kind::Page)
            return p->name;
    return {};
}

int twipsToPixels(int twips, int dpi) {
    return scale(twips, dpi);
}

int fontPixels(int hundredthsOfPoint, int dpi) {
    const std::int64_t product = static_cast<std::int64_t>(hundredthsOfPoint) * dpi;
    return static_cast<int>((product + 3600) / 7200);
}

Rect toPixels(const ControlRow& control, int dpi) {
    const Rect a = absoluteTwips(control);
    Rect base;
    if (const ControlRow* p = find(windowParent(control)))
        base = absoluteTwips(*p);
    const int left = scale(a.left, dpi) - scale(base.left, dpi);
    const int top = scale(a.top, dpi) - scale(base.top, dpi);
    const int right = scale(a.right(), dpi) - scale(base.left, dpi);
    const int bottom = scale(a.bottom(), dpi) - scale(base.top, dpi);
    return {left, top, right - left, bottom - top};
}

Rect clientPixels(int dpi) {
    return {0, 0, scale(kClientWidth, dpi), scale(kClientHeight, dpi)};
}

}  // namespace trifolio::layout
