// The settings: the options files, the rules that keep the six assignments usable,
// and the autostart value. Works directly on the settings window's controls, and hands
// the hotkey engine the assignments they show, typed.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/hotkeys/keys.h"
#include "core/settings/settings_controls.h"
#include "core/settings/typed_character.h"
#include "platform/platform.h"

namespace trifolio {

// How a load or save ended. Quit: the user answered No to "Soll das Programm fortgeführt
// werden?"; the caller ends the program at once (after releasing hotkeys and tray icon).
enum class Outcome { Done, Failed, Quit };

// The current user's Run key and the value that starts the program with Windows.
inline constexpr const char* kRunKeyPath = "Software\\microsoft\\windows\\currentversion\\run";
inline constexpr const char* kRunValueName = "Trifolio";

class Settings {
  public:
    // Wires the click reactions onto the form's lists and check boxes; the destructor
    // removes them again, so the form may outlive the settings.
    Settings(SettingsControls& form, platform::Dialogs& dialogs, platform::Files& files,
             platform::Registry& registry, HotkeyRegistration& hotkeys, std::string programDir,
             std::string executablePath);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Fills the twelve lists (window creation), in the order the lists are built.
    void fillLists();
    // The assignments the twelve lists show.
    Assignments assignments() const;

    // Reads "options.tmp" (true) or "options.ini" (false) into the window. A missing
    // "options.ini" is a first start and loads the built-in defaults without a message.
    Outcome LoadOptions(bool fromTmp);
    // Writes the window's settings to "options.tmp" (true) or "options.ini" (false) and
    // puts them into effect.
    Outcome SaveOptions(bool toTmp);
    // Refuses two actions with the same key combination (after normalising store 3).
    bool CheckDuplicateCombos();
    // "ON" writes the Run value, any other text deletes it.
    void SetAutostart(const std::string& mode);

    const std::string& programDir() const { return programDir_; }

    // The assigned combinations that type a character on an installed keyboard layout,
    // one "STRG+ALT+V: '@' (Tastatur 'Tschechisch')" each; none while Check3 is clear.
    std::vector<std::string> typingCombinations();

    // Brings an assignment list (1 for Combo1 ... 12) before the person, when the
    // duplicate check names it: the window shows its page and puts the focus on it.
    std::function<void(int)> showList;
    // The installed keyboard layouts, asked whether a combination types a character; none
    // asks nothing.
    platform::KeyboardLayouts* layouts = nullptr;

  private:
    void markChanged();
    void modifierReaction(int modifierList);
    void keyReaction(int keyList);
    // The character the pair of lists types on an installed layout, when Check3 asks.
    std::optional<TypedCharacter> typedBy(int modifierList);
    Outcome askToContinue(const char* module, const std::string& description);

    SettingsControls& form_;
    platform::Dialogs& dialogs_;
    platform::Files& files_;
    platform::Registry& registry_;
    HotkeyRegistration& hotkeys_;
    std::string programDir_;
    std::string executablePath_;
    // Each key list's key before its last change, for a "No" to go back to.
    std::array<std::string, kAssignmentCount> keptKeys_;
};

}  // namespace trifolio
