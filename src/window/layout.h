// The settings window's controls as one constant table: kind, name, container,
// caption, tooltip, font, style and place in twips (1440 to the inch). The Win32
// view creates the window from it and re-lays it out for any DPI with `toPixels`.
#pragma once

#include <array>
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
    int right() const { return left + width; }
    int bottom() const { return top + height; }
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

// The controls in creation order, which is also the order of the Tab key.
std::span<const ControlRow> controls();
// The control named `name`, nullptr when there is none.
const ControlRow* find(std::string_view name);
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
