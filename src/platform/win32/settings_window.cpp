#include "platform/win32/settings_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <utility>

#include "platform/win32/picture.h"
#include "platform/win32/strings.h"
#include "res/resource.h"
#include "window/texts.h"

namespace trifolio::win32 {

using layout::ControlRow;
using layout::Kind;

namespace {

constexpr const wchar_t* kPageClass = L"TrifolioPage";
constexpr const wchar_t* kPictureClass = L"TrifolioPicture";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

// Posted to itself: make the controls now.
constexpr UINT kPrepareControls = WM_APP + 2;

// Timers of the window.
constexpr UINT_PTR kTimer1 = 1;       // store-1 snapshots while the window shows
constexpr UINT_PTR kTrayRetry = 2;    // the notification area did not take the icon yet
constexpr UINT_PTR kEndWhenIdle = 3;  // ending waits for a running hotkey action
constexpr UINT kTrayRetryInterval = 2000;
constexpr UINT kEndRetryInterval = 50;

// A combo box's selection field is this much lower than the whole closed box.
constexpr int kComboFrame = 6;
// Entries a drop-down list shows at once.
constexpr int kDropDownEntries = 12;
// Longest message text the contact form takes.
constexpr WPARAM kMessageLimit = 1500;

template <typename F>
F user32Function(const char* name) {
    const auto proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

int systemDpiOf(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window)
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSX);
}

RECT windowRectFor(int clientWidth, int clientHeight, int dpi) {
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (adjustForDpi)
        adjustForDpi(&r, kWindowStyle, FALSE, kWindowExStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&r, kWindowStyle, FALSE, kWindowExStyle);
    return r;
}

Font makeFont(int hundredthsOfPoint, int dpi, bool bold, bool underline) {
    return Font(CreateFontW(-layout::fontPixels(hundredthsOfPoint, dpi), 0, 0, 0,
                            bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial"));
}

// "Combo7" -> 7, "CB2text" -> 2: the number in a control's name.
int numberIn(std::string_view name) {
    int n = 0;
    for (char c : name) {
        if (c >= '0' && c <= '9')
            n = n * 10 + (c - '0');
        else if (n != 0)
            break;
    }
    return n;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
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

// The colour of a tab strip's pane, on which the pages lie: white or nearly so with
// visual styles, the button face without.
COLORREF paneColour(HWND tabStrip) {
    COLORREF colour = GetSysColor(COLOR_BTNFACE);
    if (!IsAppThemed() || !IsThemeActive())
        return colour;
    HTHEME theme = OpenThemeData(tabStrip, L"TAB");
    if (!theme)
        return colour;
    WindowDc screen(nullptr);
    MemoryDc dc(CreateCompatibleDC(screen.get()));
    Bitmap canvas(CreateCompatibleBitmap(screen.get(), 64, 64));
    if (dc && canvas) {
        SelectedObject selected(dc.get(), canvas.get());
        RECT area{0, 0, 64, 64};
        FillRect(dc.get(), &area, GetSysColorBrush(COLOR_BTNFACE));
        DrawThemeBackground(theme, dc.get(), TABP_PANE, 0, &area, nullptr);
        colour = GetPixel(dc.get(), 32, 32);
    }
    CloseThemeData(theme);
    return colour;
}

SettingsWindow* owner(HWND window) {
    return reinterpret_cast<SettingsWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace

int controlId(std::string_view name) {
    const auto all = layout::controls();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].name == name)
            return kFirstControlId + static_cast<int>(i);
    return 0;
}

int effectiveDpi(int systemDpi) {
    wchar_t text[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"TRIFOLIO_DPI", text, 8);
    if (length > 0 && length < 8) {
        const int dpi = static_cast<int>(wcstol(text, nullptr, 10));
        if (dpi >= 72 && dpi <= 480)
            return dpi;
    }
    return systemDpi > 0 ? systemDpi : 96;
}

SettingsWindow::SettingsWindow(HINSTANCE instance, Form& form, StoreSet& stores)
    : instance_(instance), form_(form), stores_(stores) {
    shown_.selected.fill(-1);
}

SettingsWindow::~SettingsWindow() {
    app_ = nullptr;
    engine_ = nullptr;
    destroying_ = true;
}

bool SettingsWindow::registerClasses() {
    WNDCLASSEXW main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = windowProc;
    main.hInstance = instance_;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    main.lpszClassName = kSettingsWindowClass;
    main.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TRIFOLIO));
    WNDCLASSEXW page = main;
    page.lpfnWndProc = pageProc;
    page.lpszClassName = kPageClass;
    page.hIcon = nullptr;
    WNDCLASSEXW picture = page;
    picture.lpfnWndProc = pictureProc;
    picture.lpszClassName = kPictureClass;
    picture.hbrBackground = nullptr;
    for (const auto* c : {&main, &page, &picture}) {
        WNDCLASSEXW existing{};
        if (!GetClassInfoExW(instance_, c->lpszClassName, &existing) && !RegisterClassExW(c))
            return false;
    }
    return true;
}

bool SettingsWindow::create() {
    if (!registerClasses())
        return false;
    HWND window = CreateWindowExW(
        kWindowExStyle, kSettingsWindowClass, widen(layout::kWindowCaption).c_str(), kWindowStyle,
        CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_, this);
    if (!window)
        return false;
    window_.reset(window);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    dpi_ = effectiveDpi(systemDpiOf(window));
    applyDpi(dpi_);

    // Centred on the work area of its monitor.
    RECT frame{};
    GetWindowRect(window, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, work.left + std::max(0L, (work.right - work.left - width) / 2),
                 work.top + std::max(0L, (work.bottom - work.top - height) / 2), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    AddClipboardFormatListener(window);
    return true;
}

bool SettingsWindow::prepareControls() {
    if (!items_.empty())
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
    const auto all = layout::controls();
    items_.reserve(all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        const ControlRow& row = all[i];
        const std::string_view parentName = layout::windowParent(row);
        HWND parent = parentName.empty() ? hwnd() : item(parentName);
        HWND control = createControl(row, parent, kFirstControlId + static_cast<int>(i));
        if (!control)
            return false;
        items_.push_back({&row, control});
        if (!row.tooltip.empty())
            addTooltip(control, row.tooltip);
    }
    // As in a property sheet, the pages lie above their tab strip, which then draws
    // only around them; the Tab key visits a page's controls, then the tabs.
    for (const Item& strip : items_) {
        if (strip.row->kind != Kind::TabStrip)
            continue;
        HWND lastPage = nullptr;
        for (const Item& page : items_)
            if (page.row->kind == Kind::Page && GetParent(page.hwnd) == GetParent(strip.hwnd))
                lastPage = page.hwnd;
        if (lastPage)
            SetWindowPos(strip.hwnd, lastPage, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    for (const Item& frame : items_)
        if (frame.row->kind == Kind::GroupBox)
            SetWindowPos(frame.hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    return true;
}

HWND SettingsWindow::createControl(const ControlRow& row, HWND parent, int id) {
    const DWORD exStyle = row.kind == Kind::TextBox ? WS_EX_CLIENTEDGE
                          : row.kind == Kind::Page  ? WS_EX_CONTROLPARENT
                                                    : 0;
    const std::wstring caption = row.kind == Kind::StatusBar ? std::wstring() : widen(row.caption);
    HWND control = CreateWindowExW(
        exStyle, classOf(row.kind), caption.c_str(), styleOf(row), 0, 0, 10, 10, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (!control)
        return nullptr;
    if (row.kind == Kind::Page || row.kind == Kind::Picture)
        SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
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
        SetWindowSubclass(control, groupBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
    // A tab strip on a page erases around its tabs in the page's colour.
    if (row.kind == Kind::TabStrip && row.parent != "")
        SetWindowSubclass(control, tabStripOnPageProc, 0, reinterpret_cast<DWORD_PTR>(this));
    if (row.kind == Kind::TextBox)
        SendMessageW(control, EM_SETLIMITTEXT, row.name == "tNachricht" ? kMessageLimit : 0, 0);
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
        return titleFont_.get();
    if (row.font == layout::kPlusFont)
        return plusFont_.get();
    if (row.style & layout::kBold)
        return boldFont_.get();
    if (row.style & layout::kUnderline)
        return underlineFont_.get();
    return normalFont_.get();
}

void SettingsWindow::loadIcons() {
    const auto iconSize = [this](std::string_view name) {
        return layout::toPixels(*layout::find(name), dpi_).width;
    };
    bigIcon_ = programIcon(instance_, MulDiv(GetSystemMetrics(SM_CXICON), dpi_, 96));
    smallIcon_ = programIcon(instance_, MulDiv(GetSystemMetrics(SM_CXSMICON), dpi_, 96));
    infoIcon_ = programIcon(instance_, iconSize("Image7"));
    const int actionSize = iconSize("Image1");
    const int ids[3] = {IDI_ACTION_CUT, IDI_ACTION_COPY, IDI_ACTION_PASTE};
    for (int k = 0; k < 3; ++k)
        actionIcons_[k].reset(static_cast<HICON>(LoadImageW(
            instance_, MAKEINTRESOURCEW(ids[k]), IMAGE_ICON, actionSize, actionSize, 0)));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void SettingsWindow::applyDpi(int dpi) {
    dpi_ = dpi;
    // The old fonts stay alive until every control has the new ones.
    Font normal = makeFont(layout::kNormalFont, dpi, false, false);
    Font bold = makeFont(layout::kNormalFont, dpi, true, false);
    Font underline = makeFont(layout::kNormalFont, dpi, false, true);
    Font plus = makeFont(layout::kPlusFont, dpi, false, false);
    Font title = makeFont(layout::kTitleFont, dpi, false, false);
    std::swap(normalFont_, normal);
    std::swap(boldFont_, bold);
    std::swap(underlineFont_, underline);
    std::swap(plusFont_, plus);
    std::swap(titleFont_, title);
    loadIcons();

    for (const Item& it : items_) {
        const layout::Rect r = layout::toPixels(*it.row, dpi);
        SendMessageW(it.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(*it.row)), FALSE);
        int height = r.height;
        if (it.row->kind == Kind::ComboList) {
            SendMessageW(it.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                         std::max(1, r.height - kComboFrame));
            const auto itemHeight = SendMessageW(it.hwnd, CB_GETITEMHEIGHT, 0, 0);
            height = r.height + kDropDownEntries * static_cast<int>(itemHeight) + 2;
        }
        MoveWindow(it.hwnd, r.left, r.top, r.width, height, FALSE);
        if (it.row->kind == Kind::StatusBar) {
            const int parts[3] = {r.width / 3, 2 * r.width / 3, -1};
            SendMessageW(it.hwnd, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
        }
    }
    if (tooltips_) {
        SendMessageW(tooltips_, WM_SETFONT, reinterpret_cast<WPARAM>(normalFont_.get()), FALSE);
        SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, MulDiv(400, dpi, 96));
    }
    // The frame is the system's, at the window's own DPI, which the override may not
    // change: the client area is measured and the window corrected by what is missing.
    const layout::Rect client = layout::clientPixels(dpi);
    const RECT frame = windowRectFor(client.width, client.height, systemDpiOf(hwnd()));
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SetWindowPos(hwnd(), nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT now{};
        GetClientRect(hwnd(), &now);
        if (now.right == client.width && now.bottom == client.height)
            break;
        width += client.width - now.right;
        height += client.height - now.bottom;
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void SettingsWindow::attach(App& app, HotkeyEngine& engine) {
    app_ = &app;
    engine_ = &engine;
}

HWND SettingsWindow::item(std::string_view name) const {
    for (const Item& it : items_)
        if (it.row->name == name)
            return it.hwnd;
    return nullptr;
}

const SettingsWindow::Item* SettingsWindow::itemById(int id) const {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return nullptr;
    return &items_[static_cast<size_t>(index)];
}

std::string SettingsWindow::textOf(HWND control) const {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return narrow(text);
}

// ---------------------------------------------------------------------------
// Window procedures

LRESULT CALLBACK SettingsWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    SettingsWindow* self = owner(window);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (self && self->window_.get() == window)
            self->window_.release();  // gone already
    }
    if (self && self->window_.get() == window && !self->destroying_)
        return self->handle(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK SettingsWindow::pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // A page has the colour of the tab strip's pane it lies on.
        case WM_ERASEBKGND:
        case WM_PRINTCLIENT:
            if (SettingsWindow* self = owner(window); self && self->pageBrush_) {
                RECT area{};
                GetClientRect(window, &area);
                FillRect(reinterpret_cast<HDC>(wParam), &area, self->pageBrush_.get());
                return 1;
            }
            break;
        // The controls on a page report to the settings window itself.
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            if (HWND root = GetAncestor(window, GA_ROOT); root && root != window)
                return SendMessageW(root, message, wParam, lParam);
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK SettingsWindow::tabStripOnPageProc(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<SettingsWindow*>(data);
    if (message == WM_ERASEBKGND && self && self->pageBrush_) {
        RECT area{};
        GetClientRect(window, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, self->pageBrush_.get());
        return 1;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, tabStripOnPageProc, 0);
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK SettingsWindow::groupBoxProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<SettingsWindow*>(data);
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT && self) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        self->paintGroupBox(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, groupBoxProc, 0);
    return DefSubclassProc(window, message, wParam, lParam);
}

void SettingsWindow::paintGroupBox(HWND frame, HDC dc) {
    RECT area{};
    GetClientRect(frame, &area);
    HBRUSH background = pageBrush_ ? pageBrush_.get() : GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &area, background);
    SelectedObject font(dc, reinterpret_cast<HFONT>(SendMessageW(frame, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT line = area;
    line.top += metrics.tmHeight / 2;

    // Only the line: a theme's own filling of the frame stays out.
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, line.left + 2, line.top + 2, line.right - 2, line.bottom - 2);
    HTHEME theme = IsAppThemed() ? OpenThemeData(frame, L"BUTTON") : nullptr;
    if (theme) {
        DrawThemeBackground(theme, dc, BP_GROUPBOX, GBS_NORMAL, &line, nullptr);
        CloseThemeData(theme);
    } else {
        DrawEdge(dc, &line, EDGE_ETCHED, BF_RECT);
    }
    RestoreDC(dc, saved);

    const std::wstring caption = widen(textOf(frame));
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    const int indent = MulDiv(8, dpi_, 96);
    const int gap = MulDiv(2, dpi_, 96);
    RECT behind{area.left + indent - gap, area.top, area.left + indent + size.cx + gap,
                area.top + metrics.tmHeight};
    FillRect(dc, &behind, background);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutW(dc, area.left + indent, area.top, caption.c_str(), static_cast<int>(caption.size()));
}

LRESULT CALLBACK SettingsWindow::pictureProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (SettingsWindow* self = owner(window))
            self->paintPicture(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT SettingsWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = hwnd();
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0)
                onCommand(LOWORD(wParam), HIWORD(wParam));
            sync();
            return 0;
        case WM_NOTIFY:
            onNotify(*reinterpret_cast<const NMHDR*>(lParam));
            sync();
            return 0;
        case WM_TIMER:
            onTimer(wParam);
            sync();
            return 0;
        case WM_HOTKEY:
            if (engine_)
                engine_->onHotkey(static_cast<int>(wParam));
            sync();
            return 0;
        case kTrayMessage:
            if (app_) {
                app_->trayCallback(static_cast<int>(LOWORD(lParam)));
                sync();
                // Coming back from the tray also brings back a window minimised to the taskbar.
                if (app_ && !app_->presence().ended && app_->presence().windowShown &&
                    IsIconic(window)) {
                    ShowWindow(window, SW_RESTORE);
                    SetForegroundWindow(window);
                }
            }
            return 0;
        case kPrepareControls:
            prepareControls();
            sync();
            return 0;
        case WM_CLIPBOARDUPDATE:
            if (app_)
                app_->clipboardChanged();
            sync();
            return 0;
        case WM_CLOSE:
            if (app_) {
                app_->Form_QueryUnload();
                sync();
                return 0;
            }
            break;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam && app_) {
                app_->Form_QueryUnload();
                sync();
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                focus_ = GetFocus();
            } else {
                // First the tabs, so that no key press lands on a "Löschen" by surprise.
                HWND target = focus_ && IsChild(window, focus_) ? focus_ : item("TabStrip1");
                if (target)
                    SetFocus(target);
            }
            return 0;
        case WM_DPICHANGED: {
            const int dpi = effectiveDpi(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            if (dpi != dpi_)
                applyDpi(dpi);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (const LRESULT brush =
                    colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message))
                return brush;
            break;
        case WM_THEMECHANGED:
        case WM_SYSCOLORCHANGE:
            updatePageColour();
            InvalidateRect(window, nullptr, TRUE);
            break;
        case WM_DESTROY:
            RemoveClipboardFormatListener(window);
            KillTimer(window, kTimer1);
            KillTimer(window, kTrayRetry);
            KillTimer(window, kEndWhenIdle);
            PostQuitMessage(0);
            return 0;
        default:
            if (message != 0 && message == taskbarCreated_ && app_) {
                app_->taskbarCreated();
                sync();
                return 0;
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool SettingsWindow::preTranslate(const MSG& msg) {
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in any window with tabs.
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0 ||
        !app_ || !hwnd() || (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)))
        return false;
    const int step = GetKeyState(VK_SHIFT) < 0 ? 3 : 1;
    app_->selectTab((form_.TabStrip1 - 1 + step) % 4 + 1);
    sync();
    return true;
}

void SettingsWindow::onCommand(int id, int code) {
    const Item* it = itemById(id);
    if (!it || !app_ || syncing_)
        return;
    const std::string_view name = it->row->name;
    switch (it->row->kind) {
        case Kind::Button:
            if (code != BN_CLICKED)
                return;
            if (name == "Command1")
                app_->Command1_Click();
            else if (name == "Command2")
                app_->Command2_Click();
            else if (name == "Command3")
                app_->Command3_Click();
            else if (name == "Command4")
                app_->Command4_Click();
            else if (name == "Command5")
                app_->Command5_Click();
            else if (name == "Command6")
                app_->Command6_Click();
            else if (name == "Command7")
                app_->Command7_Click();
            else if (name == "Command8")
                app_->Command8_Click();
            return;
        case Kind::CheckBox:
            if (code == BN_CLICKED) {
                CheckBox& box = name == "Check1"   ? form_.Check1
                                : name == "Check2" ? form_.Check2
                                                   : form_.Check3;
                box.setChecked(!box.checked());
            }
            return;
        case Kind::ComboList:
            if (code == CBN_SELCHANGE) {
                const int n = numberIn(name);
                const int index = static_cast<int>(SendMessageW(it->hwnd, CB_GETCURSEL, 0, 0));
                shown_.selected[static_cast<size_t>(n - 1)] = index;
                form_.combo(n).select(index);
            }
            return;
        case Kind::TextBox:
            if (code == EN_CHANGE) {
                // The contact form's fields: what the user types goes into the model.
                const std::pair<std::string_view, TextBox*> fields[] = {
                    {"tNachricht", &form_.tNachricht},
                    {"tName", &form_.tName},
                    {"tEmail", &form_.tEmail},
                    {"tHomepage", &form_.tHomepage}};
                for (size_t k = 0; k < std::size(fields); ++k) {
                    if (fields[k].first == name) {
                        fields[k].second->text = textOf(it->hwnd);
                        shown_.contact[k] = fields[k].second->text;
                    }
                }
            }
            return;
        default:
            return;
    }
}

void SettingsWindow::onNotify(const NMHDR& header) {
    if (!app_ || syncing_ || header.code != static_cast<UINT>(TCN_SELCHANGE))
        return;
    const int tab = static_cast<int>(SendMessageW(header.hwndFrom, TCM_GETCURSEL, 0, 0)) + 1;
    if (header.hwndFrom == item("TabStrip1"))
        app_->selectTab(tab);
    else if (header.hwndFrom == item("TabInfo"))
        app_->selectInfoTab(tab);
}

void SettingsWindow::onTimer(UINT_PTR timer) {
    if (!app_)
        return;
    if (timer == kTimer1)
        app_->Timer1_Timer();
    else if (timer == kTrayRetry)
        app_->retryTrayIcon();
}

void SettingsWindow::updatePageColour() {
    pageColour_ = paneColour(item("TabStrip1"));
    pageBrush_.reset(CreateSolidBrush(pageColour_));
}

LRESULT SettingsWindow::colour(HDC dc, HWND control, UINT message) {
    // The help text reads black on white like any document, though it is read-only.
    if (control == item("tHilfe")) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    // The stores' read-only boxes keep the button face; labels, check boxes, frames
    // and buttons on a page take the page's colour.
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (message == WM_CTLCOLORSTATIC && lstrcmpiW(className, WC_EDITW) == 0)
        return 0;
    if (GetParent(control) == hwnd() || !pageBrush_)
        return 0;
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, pageColour_);
    return reinterpret_cast<LRESULT>(pageBrush_.get());
}

// ---------------------------------------------------------------------------
// Pictures

void SettingsWindow::paintPicture(HWND control, HDC dc) {
    RECT area{};
    GetClientRect(control, &area);
    FillRect(dc, &area, pageBrush_ ? pageBrush_.get() : GetSysColorBrush(COLOR_BTNFACE));
    const Item* it = itemById(GetDlgCtrlID(control));
    if (!it)
        return;
    const std::string_view name = it->row->name;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (startsWith(name, "CB")) {
        const auto& picture = stores_.store(numberIn(name)).picture;
        const auto* bitmap = dynamic_cast<const Win32Picture*>(picture.get());
        if (!bitmap || bitmap->width() <= 0 || bitmap->height() <= 0)
            return;
        // Scaled into the square, keeping its proportions; small pictures at their size.
        const double scale = std::min({1.0, static_cast<double>(width) / bitmap->width(),
                                       static_cast<double>(height) / bitmap->height()});
        const int w = std::max(1, static_cast<int>(bitmap->width() * scale + 0.5));
        const int h = std::max(1, static_cast<int>(bitmap->height() * scale + 0.5));
        const RECT target{(width - w) / 2, (height - h) / 2, (width - w) / 2 + w,
                          (height - h) / 2 + h};
        bitmap->draw(dc, target);
        return;
    }
    HICON icon = nullptr;
    if (startsWith(name, "Image") && name != "Image7")
        icon = actionIcons_[static_cast<size_t>((numberIn(name) - 1) % 3)].get();
    else if (name == "Image7")
        icon = infoIcon_.get();
    else
        icon = smallIcon_.get();
    if (icon)
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
}

// ---------------------------------------------------------------------------
// Showing the model

void SettingsWindow::setText(std::string_view name, const std::string& text, std::string& shown) {
    if (text == shown)
        return;
    shown = text;
    if (HWND control = item(name))
        SetWindowTextW(control, widen(text).c_str());
}

void SettingsWindow::setVisible(std::string_view name, bool visible) {
    HWND control = item(name);
    if (!control)
        return;
    const bool now = (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (now != visible)
        ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void SettingsWindow::setEnabled(std::string_view name, bool enabled) {
    HWND control = item(name);
    if (control && (IsWindowEnabled(control) != FALSE) != enabled)
        EnableWindow(control, enabled ? TRUE : FALSE);
}

void SettingsWindow::setTimer(UINT_PTR timer, bool on, UINT interval) {
    if (on)
        SetTimer(hwnd(), timer, interval, nullptr);
    else
        KillTimer(hwnd(), timer);
}

void SettingsWindow::sync() {
    if (syncing_ || !hwnd() || !app_)
        return;
    // A program that starts in the tray makes its controls after its icon is there, when
    // nothing else waits, or at once when the window shows before that.
    if (app_->presence().windowShown && !app_->presence().ended)
        prepareControls();
    else if (items_.empty() && !preparePosted_)
        preparePosted_ = PostMessageW(hwnd(), kPrepareControls, 0, 0) != FALSE;
    if (!items_.empty()) {
        syncing_ = true;
        syncControls();
        syncStores();
        syncing_ = false;
    }
    syncPresence();
}

void SettingsWindow::syncControls() {
    setVisible("pStatus", form_.pStatus.visible);
    setVisible("pTastenbelegung", form_.pTastenbelegung.visible);
    setVisible("pOptionen", form_.pOptionen.visible);
    setVisible("pInfo", form_.pInfo.visible);
    setVisible("FProgramminfo", form_.FProgramminfo.visible);
    setVisible("fHilfe", form_.fHilfe.visible);
    setVisible("fKontakt", form_.fKontakt.visible);
    for (auto [name, tab] : {std::pair{"TabStrip1", form_.TabStrip1}, {"TabInfo", form_.TabInfo}}) {
        HWND strip = item(name);
        if (strip && SendMessageW(strip, TCM_GETCURSEL, 0, 0) != tab - 1)
            SendMessageW(strip, TCM_SETCURSEL, static_cast<WPARAM>(tab - 1), 0);
    }

    for (int n = 1; n <= 12; ++n) {
        const ComboBox& combo = form_.combo(n);
        HWND list = item("Combo" + std::to_string(n));
        const auto k = static_cast<size_t>(n - 1);
        if (combo.items() != shown_.items[k]) {
            shown_.items[k] = combo.items();
            SendMessageW(list, WM_SETREDRAW, FALSE, 0);
            SendMessageW(list, CB_RESETCONTENT, 0, 0);
            for (const auto& entry : combo.items())
                SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(entry).c_str()));
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            shown_.selected[k] = -2;
        }
        if (combo.selectedIndex() != shown_.selected[k]) {
            shown_.selected[k] = combo.selectedIndex();
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(combo.selectedIndex()), 0);
        }
    }
    for (auto [name, box] : {std::pair{"Check1", &form_.Check1},
                             {"Check2", &form_.Check2},
                             {"Check3", &form_.Check3}}) {
        HWND control = item(name);
        const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked != box->checked())
            SendMessageW(control, BM_SETCHECK, box->checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    setEnabled("Command1", form_.Command1.enabled);
    setEnabled("Command8", form_.Command8.enabled);
    setEnabled("tNachricht", form_.tNachricht.enabled);
    setEnabled("tName", form_.tName.enabled);
    setEnabled("tEmail", form_.tEmail.enabled);
    setEnabled("tHomepage", form_.tHomepage.enabled);
    setText("tNachricht", form_.tNachricht.text, shown_.contact[0]);
    setText("tName", form_.tName.text, shown_.contact[1]);
    setText("tEmail", form_.tEmail.text, shown_.contact[2]);
    setText("tHomepage", form_.tHomepage.text, shown_.contact[3]);
    setText("Label27", form_.Label27, shown_.contact[4]);
    setText("tHilfe", form_.tHilfe.text, shown_.help);

    if (!form_.focus.empty()) {
        if (HWND control = item(form_.focus))
            SetFocus(control);
        form_.focus.clear();
    }
}

void SettingsWindow::syncStores() {
    for (int n = 1; n <= 3; ++n) {
        const Store& store = stores_.store(n);
        const auto k = static_cast<size_t>(n - 1);
        // A long text is prepared for its box only when it is another text than before.
        const bool whole = store.hasText && !store.unsupported;
        const StoreFingerprint print{whole, store.text.data(), store.text.size()};
        if (!whole || store.text.size() <= kPreviewBytes) {
            setText("CB" + std::to_string(n) + "text",
                    whole ? previewText(store.text) : store.displayText(), shown_.storeText[k]);
        } else if (!(print == shown_.storePrint[k])) {
            setText("CB" + std::to_string(n) + "text", previewText(store.text),
                    shown_.storeText[k]);
        }
        shown_.storePrint[k] = print;

        if (store.picture.get() != shown_.picture[k]) {
            shown_.picture[k] = store.picture.get();
            InvalidateRect(item("CB" + std::to_string(n) + "image2"), nullptr, FALSE);
        }
        const std::string panel = stores_.panelText(n);
        if (panel != shown_.panels[k]) {
            shown_.panels[k] = panel;
            SendMessageW(item("StatusBar1"), SB_SETTEXTW, k,
                         reinterpret_cast<LPARAM>(widen(panel).c_str()));
        }
    }
}

void SettingsWindow::syncPresence() {
    const Presence& presence = app_->presence();
    HWND window = hwnd();
    if (presence.ended) {
        // An action that is waiting for an application finishes first.
        if (engine_ && engine_->busy()) {
            setTimer(kEndWhenIdle, true, kEndRetryInterval);
            return;
        }
        DestroyWindow(window);
        return;
    }
    setTimer(kTimer1, presence.timer, kTimer1Interval);
    setTimer(kTrayRetry, app_->trayIconMissing(), kTrayRetryInterval);

    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    const LONG_PTR wanted =
        presence.inTaskList ? (exStyle | WS_EX_APPWINDOW) : (exStyle & ~LONG_PTR{WS_EX_APPWINDOW});
    if (wanted != exStyle)
        SetWindowLongPtrW(window, GWL_EXSTYLE, wanted);

    const bool visible = IsWindowVisible(window) != FALSE;
    if (presence.windowShown && !visible) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    } else if (!presence.windowShown && visible) {
        ShowWindow(window, SW_HIDE);
    }
}

MenuCommand SettingsWindow::popupMenu() {
    return trackTrayMenu(hwnd());
}

void SettingsWindow::openUrl(const std::string& url) {
    // The form shows its fields disabled while the shell takes the address.
    if (!items_.empty()) {
        const bool wasSyncing = std::exchange(syncing_, true);
        syncControls();
        syncing_ = wasSyncing;
    }
    ShellExecuteW(hwnd(), L"open", widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace trifolio::win32
