// The settings window "FConfig" on Win32: built from the layout table, scaled to its
// monitor's DPI, showing the window model (Form, StoreSet) and the App's presence,
// and feeding the user's actions into the App.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/tray.h"
#include "window/app.h"
#include "window/layout.h"

namespace trifolio::win32 {

// Window class of the settings window, for finding it from outside.
inline constexpr const wchar_t* kSettingsWindowClass = L"TrifolioFConfig";
// Control identifiers: kFirstControlId + the control's index in the layout table.
inline constexpr int kFirstControlId = 1000;
int controlId(std::string_view name);

// The DPI the window lays itself out for: TRIFOLIO_DPI from the environment when set
// (72 to 480), otherwise `systemDpi`.
int effectiveDpi(int systemDpi);

class SettingsWindow final : public WindowHost {
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
    HWND hwnd() const noexcept { return window_.get(); }
    // From here on the window's events go to `app` and its hotkeys to `engine`.
    void attach(App& app, HotkeyEngine& engine);
    // Shows the model: controls, pages, stores, status bar, window, timers.
    void sync();

    // For the message loop: keys the window handles before the dialog navigation does.
    bool preTranslate(const MSG& msg);

    MenuCommand popupMenu() override;
    void openUrl(const std::string& url) override;

    int dpi() const noexcept { return dpi_; }

  private:
    struct Item {
        const layout::ControlRow* row = nullptr;
        HWND hwnd = nullptr;
    };
    // Which text a store's box was last prepared from.
    struct StoreFingerprint {
        bool whole = false;
        const char* data = nullptr;
        std::size_t size = 0;
        friend bool operator==(const StoreFingerprint&, const StoreFingerprint&) = default;
    };
    // What the controls show now, to change only what differs.
    struct Shown {
        std::array<std::vector<std::string>, 12> items;
        std::array<int, 12> selected{};
        std::array<std::string, 3> storeText;
        std::array<StoreFingerprint, 3> storePrint;
        std::array<const void*, 3> picture{};
        std::array<std::string, 3> panels;
        std::array<std::string, 5> contact;  // tNachricht, tName, tEmail, tHomepage, Label27
        std::string help;
    };

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK pictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK groupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    void paintGroupBox(HWND frame, HDC dc);
    static LRESULT CALLBACK tabStripOnPageProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool registerClasses();
    bool createControls();
    HWND createControl(const layout::ControlRow& row, HWND parent, int id);
    void addTooltip(HWND control, std::string_view text);
    void applyDpi(int dpi);
    void loadIcons();
    HFONT fontFor(const layout::ControlRow& row) const;
    void onCommand(int id, int code);
    void onNotify(const NMHDR& header);
    void onTimer(UINT_PTR timer);
    // The brush for a control's background, 0 for the default one.
    LRESULT colour(HDC dc, HWND control, UINT message);
    void updatePageColour();
    void paintPicture(HWND control, HDC dc);
    HWND item(std::string_view name) const;
    const Item* itemById(int id) const;
    std::string textOf(HWND control) const;
    void syncControls();
    void syncStores();
    void syncPresence();
    void setText(std::string_view name, const std::string& text, std::string& shown);
    void setVisible(std::string_view name, bool visible);
    void setEnabled(std::string_view name, bool enabled);
    void setTimer(UINT_PTR timer, bool on, UINT interval);

    HINSTANCE instance_;
    Form& form_;
    StoreSet& stores_;
    App* app_ = nullptr;
    HotkeyEngine* engine_ = nullptr;
    Window window_;
    HWND tooltips_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus when the window was left
    std::vector<Item> items_;
    Shown shown_;
    int dpi_ = 96;
    UINT taskbarCreated_ = 0;
    bool syncing_ = false;
    bool preparePosted_ = false;
    bool destroying_ = false;

    Font normalFont_, boldFont_, underlineFont_, plusFont_, titleFont_;
    IconHandle bigIcon_, smallIcon_, infoIcon_;
    std::array<IconHandle, 3> actionIcons_;
    COLORREF pageColour_ = 0;
    Brush pageBrush_;
};

}  // namespace trifolio::win32
