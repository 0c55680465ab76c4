// The settings window's controls as one constant table: kind, name, container,
// caption, tooltip, font, style and place in twips (1440 to the inch). The Win32
// view creates the window from it and re-lays it out for any DPI with `toPixels`;
// the code names a control by a typed id that `id("Combo7")` takes from the table at
// compile time.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <span>
#include <string_view>

namespace trifolio::layout {

enum class Kind {
    TabStrip,   // tab strip; its tabs are listed in `tabsOf`
    Page,       // borderless container shown or hidden as a whole
    GroupBox,   // captioned frame; its controls are placed relative to it
    Label,      // static text
    Button,     // push button
    CheckBox,   // check box with its caption to the right
    ComboList,  // drop-down selection list
    TextBox,    // edit control
    Picture,    // square showing a store's picture, the icon or an action picture
    StatusBar,  // status bar with three equal panels
};

// Style flags, combined with |.
enum Style : unsigned {
    kPlain = 0,
    kBold = 1u << 0,
    kUnderline = 1u << 1,
    kCentre = 1u << 2,
    kRight = 1u << 3,
    kMultiLine = 1u << 4,
    kVScroll = 1u << 5,
    kHScroll = 1u << 6,
    kReadOnly = 1u << 7,
    kButtonFace = 1u << 8,  // background in the button-face colour
    kBorder = 1u << 9,
    kHidden = 1u << 10,     // invisible when the window is created
    kDisabled = 1u << 11,   // disabled when the window is created
    kTabsBelow = 1u << 12,  // the tab strip's tabs sit along its bottom edge
    kWrap = 1u << 13,       // label text wraps over several lines
    kTabStop = 1u << 14,    // reached with the Tab key
};

// Font sizes in hundredths of a point; the face is always Arial.
inline constexpr int kNormalFont = 825;
inline constexpr int kPlusFont = 1200;
inline constexpr int kTitleFont = 2025;

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct ControlRow {
    Kind kind;
    std::string_view name;
    std::string_view parent;  // "" for the window itself
    std::string_view caption;
    std::string_view tooltip;
    unsigned style;
    Rect twips;  // relative to the parent
    int font = kNormalFont;
};

// Client area of the window, in twips.
inline constexpr int kClientWidth = 6855;
inline constexpr int kClientHeight = 5550;
inline constexpr std::string_view kWindowCaption = "Trifolio - Vennhaus";

inline constexpr unsigned kStoreText =
    kMultiLine | kVScroll | kHScroll | kReadOnly | kButtonFace | kTabStop;
// One line per control, in creation and Tab order. Frames and pages hold the controls
// that name them as parent; places are relative to the parent.
// clang-format off
inline constexpr ControlRow kControls[] = {
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
inline constexpr std::size_t kControlCount = std::size(kControls);

// A control by its row in kControls.
struct ControlId {
    int index = -1;  // -1: no control
    constexpr explicit operator bool() const { return index >= 0; }
    friend constexpr bool operator==(ControlId, ControlId) = default;
};

// The control named `name`; none when the table has no such control.
constexpr ControlId idOf(std::string_view name) {
    for (std::size_t i = 0; i < kControlCount; ++i)
        if (kControls[i].name == name)
            return ControlId{static_cast<int>(i)};
    return {};
}

// Never defined: `id` calls it for a name the table lacks, which then does not compile.
void noControlOfThisName();

// The control named `name`, found at compile time: a misspelt name does not compile.
consteval ControlId id(std::string_view name) {
    const ControlId control = idOf(name);
    if (!control)
        noControlOfThisName();
    return control;
}

constexpr const ControlRow& row(ControlId control) {
    return kControls[control.index];
}

// The controls in creation order, which is also the order of the Tab key.
constexpr std::span<const ControlRow> controls() {
    return kControls;
}
// The control named `name`, nullptr when there is none.
constexpr const ControlRow* find(std::string_view name) {
    const ControlId control = idOf(name);
    return control ? &row(control) : nullptr;
}
// The tab captions of a tab strip, in order ("TabStrip1", "TabInfo"); empty for others.
std::span<const std::string_view> tabsOf(std::string_view tabStrip);
// Panel texts of `StatusBar1` at start.
inline constexpr std::array<std::string_view, 3> kPanelsAtStart = {"(Ablage 1): ", "Ablage 2: ---",
                                                                   "Ablage 3: ---"};

// The control's place relative to the whole window's client area, in twips.
Rect absoluteTwips(const ControlRow& control);
// The nearest ancestor that is a window of its own (a Page), "" for the window.
std::string_view windowParent(const ControlRow& control);

// Twips to pixels at `dpi` (15 twips per pixel at 96 DPI), rounded to the nearest pixel.
int twipsToPixels(int twips, int dpi);
// Font size in hundredths of a point to a character height in pixels.
int fontPixels(int hundredthsOfPoint, int dpi);

// The control's rectangle in pixels relative to its window parent. Edges are scaled
// rather than sizes, so controls that touch in twips still touch in pixels.
Rect toPixels(const ControlRow& control, int dpi);
// The window's client size in pixels.
Rect clientPixels(int dpi);

}  // namespace trifolio::layout
