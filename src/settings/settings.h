// The settings: the options files, the rules that keep the six assignments usable,
// and the autostart value. Works directly on the settings window's controls.
#pragma once

#include <string>

#include "platform/platform.h"
#include "window/form.h"

namespace trifolio {

// Puts the assignments shown in the window into effect (implemented by the hotkey engine).
class HotkeyRegistration {
  public:
    virtual ~HotkeyRegistration() = default;
    virtual void unregisterHotkeys() = 0;
    virtual void registerHotkeys() = 0;
};

// How a load or save ended. Quit: the user answered No to "Soll das Programm fortgeführt
// werden?"; the caller ends the program at once (after releasing hotkeys and tray icon).
enum class Outcome { Done, Failed, Quit };

class Settings {
  public:
    Settings(Form& form, platform::Dialogs& dialogs, platform::Files& files,
             platform::Registry& registry, HotkeyRegistration& hotkeys, std::string programDir,
             std::string executablePath);

    // Fills the twelve lists (window creation).
    void fillLists();

    Outcome LoadOptions(bool fromTmp);
    Outcome SaveOptions(bool toTmp);
    bool CheckDuplicateCombos();
    void SetAutostart(const std::string& mode);

    const std::string& programDir() const { return programDir_; }

  private:
    Form& form_;
    platform::Dialogs& dialogs_;
    platform::Files& files_;
    platform::Registry& registry_;
    HotkeyRegistration& hotkeys_;
    std::string programDir_;
    std::string executablePath_;
};

}  // namespace trifolio
