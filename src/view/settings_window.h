// The settings window "FConfig" on Win32: built from the layout table, scaled to its
// monitor's DPI, showing the window model (Form, StoreSet) and the App's presence,
// and feeding the user's actions into the App. Its parts by job:
//   settings_window.cpp           window class, window procedure, DPI changes
//   settings_window_controls.cpp  controls made from the layout table, fonts, icons, tooltips
//   settings_window_paint.cpp     page colour, group boxes and pictures
//   settings_window_sync.cpp      the controls brought in line with the model, and the
//                                 user's commands fed back into it
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/window/app.h"
#include "core/window/layout.h"
#include "view/sliced_text.h"
#include "view/tray.h"
#include "win32/handles.h"
#include "win32/window_object.h"

namespace trifolio::win32 {

// Window class of the settings window, for finding it from outside.
inline constexpr const wchar_t* kSettingsWindowClass = L"TrifolioFConfig";
// Registered message a second start of the program posts to the running one's window:
// show yourself on the Status page.
inline constexpr const wchar_t* kShowStatusMessage = L"Trifolio.Vennhaus.ShowStatus";
// Window classes of its pages and pictures.
inline constexpr const wchar_t* kPageClass = L"TrifolioPage";
inline constexpr const wchar_t* kPictureClass = L"TrifolioPicture";
// Control identifiers: kFirstControlId + the control's index in the layout table.
inline constexpr int kFirstControlId = 1000;
constexpr int controlId(layout::ControlId control) {
    return kFirstControlId + control.index;
}
// By name, for finding a control from outside; 0 for a name the table lacks.
int controlId(std::string_view name);

// The DPI the window lays itself out for: TRIFOLIO_DPI from the environment when set
// (72 to 480), otherwise `systemDpi`.
int effectiveDpi(int systemDpi);

class SettingsWindow final : public platform::WindowHost, public WindowObject<SettingsWindow> {
  public:
    SettingsWindow(HINSTANCE instance, Form& form, StoreSet& stores);
    ~SettingsWindow() override;
    SettingsWindow(const SettingsWindow&) = delete;
    SettingsWindow& operator=(const SettingsWindow&) = delete;

    // Creates the window, hidden. False when that failed.
    bool create();
    // Creates the controls unless they exist. A start into the tray makes them only after
    // the icon is there, so that the icon comes quickly.
    bool prepareControls();
    // From here on the window's events go to `app` and its hotkeys to `engine`.
    void attach(App& app, HotkeyEngine& engine);
    // Shows the model: controls, pages, stores, status bar, window, timers.
    void sync();

    // For the message loop: keys the window handles before the dialog navigation does.
    bool preTranslate(const MSG& msg);

    platform::MenuCommand popupMenu() override;
    bool openUrl(const std::string& url) override;

    int dpi() const noexcept { return dpi_; }

  private:
    // Posted to itself: make the controls now.
    static constexpr UINT kPrepareControls = WM_APP + 2;
    // Timers of the window.
    static constexpr UINT_PTR kTimer1 = 1;        // store-1 snapshots while the window shows
    static constexpr UINT_PTR kTrayRetry = 2;     // the notification area did not take the icon yet
    static constexpr UINT_PTR kEndWhenIdle = 3;   // ending waits for a running hotkey action
    static constexpr UINT_PTR kHelpFill = 4;      // the next slice of a long help text
    static constexpr UINT_PTR kRestoreRetry = 5;  // the user's clipboard is owed back
    static constexpr UINT kTrayRetryInterval = 2000;
    static constexpr UINT kEndRetryInterval = 50;
    static constexpr UINT kRestoreRetryInterval = 250;
    // The store boxes and pictures of the Status page: store 1 at index 0.
    static constexpr std::array<layout::ControlId, 3> kStoreTexts = {
        layout::id("CB1text"), layout::id("CB2text"), layout::id("CB3text")};
    static constexpr std::array<layout::ControlId, 3> kStorePictures = {
        layout::id("CB1image2"), layout::id("CB2image2"), layout::id("CB3image2")};

    // What the controls show now, to change only what differs.
    struct Shown {
        std::array<std::vector<std::string>, 12> items;
        std::array<int, 12> selected{};
        std::array<const void*, 3> picture{};
        std::array<std::string, 3> panels;
        std::array<std::string, layout::kControlCount> text;  // of the texts the model sets
    };

    // Arial in the sizes and styles the layout table uses.
    struct Fonts {
        Font normal, bold, underline, plus, title;
    };

    static Fonts makeFonts(int dpi);

    friend class WindowObject<SettingsWindow>;
    // The window's messages: what the person or the system tells the program (answered,
    // then the view is brought in line with the model once), and the window's upkeep.
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> onEvent(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT upkeep(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The messages of the pages and pictures, children of the window made with the object.
    LRESULT pageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT pictureMessage(HWND picture, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK groupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    void paintGroupBox(HWND frame, HDC dc);
    static LRESULT CALLBACK tabStripOnPageProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    bool registerClasses();
    bool createControls();
    HWND createControl(layout::ControlId id, HWND parent);
    void addTooltip(HWND control, std::string_view text);
    void applyDpi(int dpi);
    void loadIcons();
    HFONT fontFor(const layout::ControlRow& row) const;
    // Runs `work` now, or after the running hotkey action (nothing without an App).
    void whenIdle(std::function<void()> work);
    void onCommand(int id, int code);
    // The control identifier of the focused push button of this window, 0 for none.
    int focusedPushButton() const;
    void onTabChange(HWND strip);
    void onTimer(UINT_PTR timer);
    // The brush for a control's background, 0 for the default one.
    LRESULT colour(HDC dc, HWND control, UINT message);
    void updatePageColour();
    void paintPicture(HWND control, HDC dc);
    // The control's window; null until the controls are made.
    HWND item(layout::ControlId control) const { return items_[control.index]; }
    // The first control is made first.
    bool controlsMade() const { return items_.front() != nullptr; }
    // The control with the identifier `id` (a WM_COMMAND's), none for others.
    static layout::ControlId controlOf(int id);
    std::string textOf(HWND control) const;
    void syncControls();
    void syncStores();
    void syncPresence();
    void setText(layout::ControlId control, const std::string& text);
    void setVisible(layout::ControlId control, bool visible);
    void setEnabled(layout::ControlId control, bool enabled);
    // Starts or stops a timer when it is not so already: setting a running timer
    // again would start its interval anew, so that it never fires while messages come.
    void setTimer(UINT_PTR timer, bool on, UINT interval);
    // A window minimised to the taskbar comes back too when the App shows it.
    void bringBack();

    HINSTANCE instance_;
    Form& form_;
    StoreSet& stores_;
    App* app_ = nullptr;
    HotkeyEngine* engine_ = nullptr;
    HWND tooltips_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus when the window was left
    std::array<HWND, layout::kControlCount> items_{};  // by layout::ControlId
    Shown shown_;
    SlicedText help_;  // tHilfe, filled a slice per kHelpFill tick
    int dpi_ = 96;
    UINT taskbarCreated_ = 0;
    UINT showStatus_ = 0;
    std::array<bool, 6> timerRunning_{};  // by timer id
    bool syncing_ = false;
    bool preparePosted_ = false;

    Fonts fonts_;
    IconHandle bigIcon_, smallIcon_, infoIcon_;
    std::array<IconHandle, 3> actionIcons_;
    COLORREF pageColour_ = 0;
    Brush pageBrush_;
};

}  // namespace trifolio::win32
