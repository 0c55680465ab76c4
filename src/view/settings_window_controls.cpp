// The settings window's controls, made from the layout table, with their fonts,
// icons and tooltips.
#include "view/settings_window.h"

#include <commctrl.h>

#include <utility>

#include "res/resource.h"
#include "view/accessible.h"
#include "win32/picture.h"
#include "win32/strings.h"
#include "win32/system_dlls.h"

namespace trifolio::win32 {

using layout::ControlRow;
using layout::Kind;

namespace {

// Longest message text the contact form takes.
constexpr WPARAM kMessageLimit = 1500;

Font makeFont(int hundredthsOfPoint, int dpi, bool bold, bool underline) {
    return Font(CreateFontW(-layout::fontPixels(hundredthsOfPoint, dpi), 0, 0, 0,
                            bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial"));
}

DWORD styleOf(const ControlRow& row) {
    DWORD style = WS_CHILD;
    if (!(row.style & layout::kHidden))
        style |= WS_VISIBLE;
    if (row.style & layout::kDisabled)
        style |= WS_DISABLED;
    if (row.style & layout::kTabStop)
        style |= WS_TABSTOP;
    if (row.style & layout::kVScroll)
        style |= WS_VSCROLL;
    if (row.style & layout::kHScroll)
        style |= WS_HSCROLL;
    switch (row.kind) {
        case Kind::TabStrip:
            style |= WS_CLIPSIBLINGS | ((row.style & layout::kTabsBelow) ? TCS_BOTTOM : 0);
            break;
        case Kind::Page:
            style |= WS_CLIPCHILDREN;
            break;
        case Kind::GroupBox:
            style |= BS_GROUPBOX | WS_CLIPSIBLINGS;
            break;
        case Kind::Label:
            style |= SS_NOPREFIX;
            if (row.style & layout::kCentre)
                style |= SS_CENTER | SS_CENTERIMAGE;
            else if (row.style & layout::kRight)
                style |= SS_RIGHT;
            else if (!(row.style & layout::kWrap))
                style |= SS_LEFTNOWORDWRAP;
            break;
        case Kind::Button:
            style |= BS_PUSHBUTTON;
            break;
        case Kind::CheckBox:
            style |= BS_CHECKBOX;
            break;
        case Kind::ComboList:
            style |= CBS_DROPDOWNLIST | WS_VSCROLL;
            break;
        case Kind::TextBox:
            if (row.style & layout::kMultiLine)
                style |= ES_MULTILINE | ES_AUTOVSCROLL |
                         ((row.style & layout::kReadOnly) ? 0 : ES_WANTRETURN);
            if (!(row.style & layout::kMultiLine) || (row.style & layout::kHScroll))
                style |= ES_AUTOHSCROLL;
            if (row.style & layout::kReadOnly)
                style |= ES_READONLY;
            break;
        case Kind::Picture:
            if (row.style & layout::kBorder)
                style |= WS_BORDER;
            break;
        case Kind::StatusBar:
            style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
            break;
    }
    return style;
}

const wchar_t* classOf(Kind kind) {
    switch (kind) {
        case Kind::TabStrip:
            return WC_TABCONTROLW;
        case Kind::Page:
            return kPageClass;
        case Kind::GroupBox:
        case Kind::Button:
        case Kind::CheckBox:
            return WC_BUTTONW;
        case Kind::Label:
            return WC_STATICW;
        case Kind::ComboList:
            return WC_COMBOBOXW;
        case Kind::TextBox:
            return WC_EDITW;
        case Kind::Picture:
            return kPictureClass;
        case Kind::StatusBar:
            return STATUSCLASSNAMEW;
    }
    return WC_STATICW;
}

}  // namespace

bool SettingsWindow::prepareControls() {
    if (controlsMade())
        return true;
    if (!hwnd())
        return false;
    // What the new controls report while they are made is no change to show: a sync
    // in between would note half-made controls as showing the model.
    const bool wasSyncing = std::exchange(syncing_, true);
    tooltips_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, instance_, nullptr);
    const bool made = createControls();
    if (made) {
        updatePageColour();
        applyDpi(dpi_);
    }
    syncing_ = wasSyncing;
    return made;
}

bool SettingsWindow::createControls() {
    // Parents come before their controls in the table.
    for (int i = 0; i < static_cast<int>(layout::kControlCount); ++i) {
        const layout::ControlId id{i};
        const ControlRow& row = layout::row(id);
        const layout::ControlId parent = layout::idOf(layout::windowParent(row));
        HWND control = createControl(id, parent ? item(parent) : hwnd());
        if (!control)
            return false;
        items_[static_cast<std::size_t>(i)] = control;
        if (!row.tooltip.empty())
            addTooltip(control, row.tooltip);
    }
    const auto kindOf = [](std::size_t i) { return layout::kControls[i].kind; };
    // As in a property sheet, the pages lie above their tab strip, which then draws
    // only around them; the Tab key visits a page's controls, then the tabs.
    for (std::size_t strip = 0; strip < layout::kControlCount; ++strip) {
        if (kindOf(strip) != Kind::TabStrip)
            continue;
        HWND lastPage = nullptr;
        for (std::size_t page = 0; page < layout::kControlCount; ++page)
            if (kindOf(page) == Kind::Page && GetParent(items_[page]) == GetParent(items_[strip]))
                lastPage = items_[page];
        if (lastPage)
            SetWindowPos(items_[strip], lastPage, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    for (std::size_t frame = 0; frame < layout::kControlCount; ++frame)
        if (kindOf(frame) == Kind::GroupBox)
            SetWindowPos(items_[frame], HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    return true;
}

HWND SettingsWindow::createControl(layout::ControlId id, HWND parent) {
    const ControlRow& row = layout::row(id);
    const DWORD exStyle = row.kind == Kind::TextBox ? WS_EX_CLIENTEDGE
                          : row.kind == Kind::Page  ? WS_EX_CONTROLPARENT
                                                    : 0;
    const std::wstring caption = row.kind == Kind::StatusBar ? std::wstring() : widen(row.caption);
    // Pages and pictures are of the window's own classes: their messages come here.
    const bool own = row.kind == Kind::Page || row.kind == Kind::Picture;
    HWND control =
        CreateWindowExW(exStyle, classOf(row.kind), caption.c_str(), styleOf(row), 0, 0, 10, 10,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(id))),
                        instance_, own ? this : nullptr);
    if (!control)
        return nullptr;
    if (row.kind == Kind::TabStrip) {
        int index = 0;
        for (auto tab : layout::tabsOf(row.name)) {
            std::wstring text = widen(tab);
            TCITEMW tabItem{};
            tabItem.mask = TCIF_TEXT;
            tabItem.pszText = text.data();
            SendMessageW(control, TCM_INSERTITEMW, static_cast<WPARAM>(index++),
                         reinterpret_cast<LPARAM>(&tabItem));
        }
    }
    // A frame draws its line and caption on the page's colour and nothing inside; it
    // lies below the controls it frames.
    if (row.kind == Kind::GroupBox)
        setWindowSubclass(control, groupBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
    // A tab strip on a page erases around its tabs in the page's colour.
    if (row.kind == Kind::TabStrip && row.parent != "")
        setWindowSubclass(control, tabStripOnPageProc, 0, reinterpret_cast<DWORD_PTR>(this));
    nameForScreenReaders(control, id);
    if (row.kind == Kind::TextBox)
        SendMessageW(control, EM_SETLIMITTEXT, id == layout::id("tNachricht") ? kMessageLimit : 0,
                     0);
    return control;
}

void SettingsWindow::addTooltip(HWND control, std::string_view text) {
    if (!tooltips_)
        return;
    std::wstring wide = widen(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

HFONT SettingsWindow::fontFor(const ControlRow& row) const {
    if (row.font == layout::kTitleFont)
        return fonts_.title.get();
    if (row.font == layout::kPlusFont)
        return fonts_.plus.get();
    if (row.style & layout::kBold)
        return fonts_.bold.get();
    if (row.style & layout::kUnderline)
        return fonts_.underline.get();
    return fonts_.normal.get();
}

void SettingsWindow::loadIcons() {
    const auto iconSize = [this](layout::ControlId picture) {
        return layout::toPixels(layout::row(picture), dpi_).width;
    };
    // The system's icon sizes are those of its own DPI; the window's may differ.
    WindowDc screen(nullptr);
    const int systemDpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    const auto forWindow = [&](int metric) {
        return MulDiv(GetSystemMetrics(metric), dpi_, systemDpi > 0 ? systemDpi : 96);
    };
    bigIcon_ = programIcon(instance_, forWindow(SM_CXICON));
    smallIcon_ = programIcon(instance_, forWindow(SM_CXSMICON));
    infoIcon_ = programIcon(instance_, iconSize(layout::id("Image7")));
    const int actionSize = iconSize(layout::id("Image1"));
    const int ids[3] = {IDI_ACTION_CUT, IDI_ACTION_COPY, IDI_ACTION_PASTE};
    for (int k = 0; k < 3; ++k)
        actionIcons_[k].reset(static_cast<HICON>(LoadImageW(
            instance_, MAKEINTRESOURCEW(ids[k]), IMAGE_ICON, actionSize, actionSize, 0)));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

SettingsWindow::Fonts SettingsWindow::makeFonts(int dpi) {
    Fonts fonts;
    fonts.normal = makeFont(layout::kNormalFont, dpi, false, false);
    fonts.bold = makeFont(layout::kNormalFont, dpi, true, false);
    fonts.underline = makeFont(layout::kNormalFont, dpi, false, true);
    fonts.plus = makeFont(layout::kPlusFont, dpi, false, false);
    fonts.title = makeFont(layout::kTitleFont, dpi, false, false);
    return fonts;
}

layout::ControlId SettingsWindow::controlOf(int id) {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(layout::kControlCount))
        return {};
    return layout::ControlId{index};
}

}  // namespace trifolio::win32
