// The settings window's colours and its own painting: pages in the colour of the tab
// strip's pane they lie on, group boxes drawn as a line and a caption only, and the
// pictures (the stores', the actions', the program's icon).
#include "view/settings_window.h"

#include <vssym32.h>

#include <algorithm>
#include <iterator>

#include "win32/picture.h"
#include "win32/strings.h"
#include "win32/system_dlls.h"

namespace trifolio::win32 {

namespace {

// The colour of a tab strip's pane, on which the pages lie: white or nearly so with
// visual styles, the button face without.
COLORREF paneColour(HWND tabStrip) {
    COLORREF colour = GetSysColor(COLOR_BTNFACE);
    HTHEME theme = openTheme(tabStrip, L"TAB");
    if (!theme)
        return colour;
    WindowDc screen(nullptr);
    MemoryDc dc(CreateCompatibleDC(screen.get()));
    Bitmap canvas(CreateCompatibleBitmap(screen.get(), 64, 64));
    if (dc && canvas) {
        SelectedObject selected(dc.get(), canvas.get());
        RECT area{0, 0, 64, 64};
        FillRect(dc.get(), &area, GetSysColorBrush(COLOR_BTNFACE));
        drawThemeBackground(theme, dc.get(), TABP_PANE, 0, area);
        colour = GetPixel(dc.get(), 32, 32);
    }
    closeTheme(theme);
    return colour;
}

}  // namespace

void SettingsWindow::updatePageColour() {
    pageColour_ = paneColour(item(layout::id("TabStrip1")));
    pageBrush_.reset(CreateSolidBrush(pageColour_));
}

LRESULT SettingsWindow::colour(HDC dc, HWND control, UINT message) {
    // The help text reads black on white like any document, though it is read-only.
    if (control == item(layout::id("tHilfe"))) {
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

LRESULT SettingsWindow::pageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // A page has the colour of the tab strip's pane it lies on.
        case WM_ERASEBKGND:
        case WM_PRINTCLIENT:
            if (pageBrush_) {
                RECT area{};
                GetClientRect(page, &area);
                FillRect(reinterpret_cast<HDC>(wParam), &area, pageBrush_.get());
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
            if (HWND root = GetAncestor(page, GA_ROOT); root && root != page)
                return SendMessageW(root, message, wParam, lParam);
            break;
        default:
            break;
    }
    return DefWindowProcW(page, message, wParam, lParam);
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
        removeWindowSubclass(window, tabStripOnPageProc, 0);
    return defSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK SettingsWindow::groupBoxProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<SettingsWindow*>(data);
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT && self) {
        return guarded(window, message, wParam, lParam, [&] {
            const PaintScope paint(window);
            self->paintGroupBox(window, paint.dc());
            return LRESULT{0};
        });
    }
    if (message == WM_NCDESTROY)
        removeWindowSubclass(window, groupBoxProc, 0);
    return defSubclassProc(window, message, wParam, lParam);
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
    HTHEME theme = openTheme(frame, L"BUTTON");
    if (theme) {
        drawThemeBackground(theme, dc, BP_GROUPBOX, GBS_NORMAL, line);
        closeTheme(theme);
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

LRESULT SettingsWindow::pictureMessage(HWND picture, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        const PaintScope paint(picture);
        paintPicture(picture, paint.dc());
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(picture, message, wParam, lParam);
}

void SettingsWindow::paintPicture(HWND control, HDC dc) {
    RECT area{};
    GetClientRect(control, &area);
    FillRect(dc, &area, pageBrush_ ? pageBrush_.get() : GetSysColorBrush(COLOR_BTNFACE));
    const layout::ControlId shown = controlOf(GetDlgCtrlID(control));
    if (!shown)
        return;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (const auto store = std::find(kStorePictures.begin(), kStorePictures.end(), shown);
        store != kStorePictures.end()) {
        const auto& picture =
            stores_.store(static_cast<int>(store - kStorePictures.begin()) + 1).picture;
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
    // Cut, copy and paste of store 2, then of store 3.
    static constexpr layout::ControlId kActionPictures[] = {
        layout::id("Image1"), layout::id("Image2"), layout::id("Image3"),
        layout::id("Image4"), layout::id("Image5"), layout::id("Image6")};
    const auto action = std::find(std::begin(kActionPictures), std::end(kActionPictures), shown);
    HICON icon = nullptr;
    if (action != std::end(kActionPictures))
        icon = actionIcons_[static_cast<size_t>((action - std::begin(kActionPictures)) % 3)].get();
    else if (shown == layout::id("Image7"))
        icon = infoIcon_.get();
    else
        icon = smallIcon_.get();  // Picture1
    if (icon)
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
}

}  // namespace trifolio::win32
