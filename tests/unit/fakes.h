// Honest in-memory stand-ins for the platform interfaces, for the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "settings/settings.h"

namespace trifolio::fakes {

// Files in memory. A path in `unreadable` exists but cannot be read; a path in
// `readOnly` refuses writes and keeps its content.
class MemoryFiles : public platform::Files {
  public:
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;
    std::set<std::string> readOnly;

    std::optional<std::string> read(const std::string& path, std::string& error) override {
        if (unreadable.count(path)) {
            error = "Zugriff verweigert";
            return std::nullopt;
        }
        auto it = files.find(path);
        if (it == files.end()) {
            error = "Datei nicht gefunden";
            return std::nullopt;
        }
        return it->second;
    }
    bool exists(const std::string& path) override {
        return files.count(path) > 0 || unreadable.count(path) > 0;
    }
    bool writeAtomically(const std::string& path, const std::string& bytes,
                         std::string& error) override {
        if (readOnly.count(path) || unreadable.count(path)) {
            error = "Zugriff verweigert";
            return false;
        }
        files[path] = bytes;
        return true;
    }
};

// String values by key path and name.
class MemoryRegistry : public platform::Registry {
  public:
    std::map<std::pair<std::string, std::string>, std::string> values;

    bool setString(const std::string& keyPath, const std::string& name,
                   const std::string& value) override {
        values[{keyPath, name}] = value;
        return true;
    }
    bool deleteValue(const std::string& keyPath, const std::string& name) override {
        return values.erase({keyPath, name}) > 0;
    }
    std::optional<std::string> getString(const std::string& keyPath,
                                         const std::string& name) override {
        auto it = values.find({keyPath, name});
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
};

// Message boxes that record what they showed and answer from a script. A question
// that the script does not answer fails the test.
class ScriptedDialogs : public platform::Dialogs {
  public:
    struct Shown {
        std::string title;
        std::string text;
        platform::Buttons buttons;
        platform::Icon icon;
        bool defaultNo;
    };
    std::vector<Shown> shown;
    std::deque<platform::Answer> answers;

    platform::Answer messageBox(const std::string& title, const std::string& text,
                                platform::Buttons buttons, platform::Icon icon,
                                bool defaultNo) override {
        shown.push_back({title, text, buttons, icon, defaultNo});
        if (buttons == platform::Buttons::Ok)
            return platform::Answer::Ok;
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << title << " / " << text;
            return platform::Answer::Yes;
        }
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Records the calls in order: "unregister", "register".
class RecordingHotkeys : public HotkeyRegistration {
  public:
    std::vector<std::string> calls;
    void unregisterHotkeys() override { calls.push_back("unregister"); }
    void registerHotkeys() override { calls.push_back("register"); }
};

inline constexpr const char* kProgramDir = "C:\\Programme\\Trifolio 1.1\\";
inline constexpr const char* kExecutable = "C:\\Programme\\Trifolio 1.1\\trifolio.exe";

// A settings window with filled lists over the fakes above.
struct SettingsWindow {
    Form form;
    ScriptedDialogs dialogs;
    MemoryFiles files;
    MemoryRegistry registry;
    RecordingHotkeys hotkeys;
    Settings settings{form, dialogs, files, registry, hotkeys, kProgramDir, kExecutable};

    SettingsWindow() { settings.fillLists(); }

    std::string path(const char* name) const { return std::string(kProgramDir) + name; }
    ComboBox& combo(int number) { return form.combo(number); }
    // The twelve list values, Combo1 first.
    std::vector<std::string> listValues() const {
        std::vector<std::string> values;
        for (const auto& combo : form.combos)
            values.push_back(combo.text());
        return values;
    }
};

}  // namespace trifolio::fakes
