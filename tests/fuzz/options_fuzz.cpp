// libFuzzer target: any bytes as "options.ini" for LoadOptions. What loads without a
// question is saved to "options.tmp" and loads back to the same lists and boxes.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "settings/settings.h"

namespace {

using namespace trifolio;

struct Stubs : platform::Dialogs, platform::Files, platform::Registry, HotkeyRegistration {
    std::map<std::string, std::string> files;
    int questions = 0;

    platform::Answer messageBox(const std::string&, const std::string&, platform::Buttons,
                                platform::Icon, bool) override {
        ++questions;
        return platform::Answer::Yes;
    }
    std::optional<std::string> read(const std::string& path, std::string& error,
                                    std::size_t limit) override {
        const auto it = files.find(path);
        error = "Datei nicht gefunden";
        return it == files.end() ? std::nullopt : std::optional(it->second.substr(0, limit));
    }
    bool exists(const std::string& path) override { return files.count(path) > 0; }
    bool writeAtomically(const std::string& path, const std::string& bytes, std::string&) override {
        files[path] = bytes;
        return true;
    }
    bool setString(const std::string&, const std::string&, const std::string&) override {
        return true;
    }
    bool deleteValue(const std::string&, const std::string&) override { return true; }
    std::optional<std::string> getString(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void unregisterHotkeys() override {}
    void registerHotkeys() override {}
};

std::string state(const Form& form) {
    std::string all;
    for (const auto& combo : form.combos)
        all += combo.text() + '\n';
    for (const CheckBox* box : {&form.Check1, &form.Check2, &form.Check3})
        all += box->checked() ? '1' : '0';
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Stubs stubs;
    stubs.files["C:\\options.ini"] = std::string(reinterpret_cast<const char*>(data), size);
    Form form;
    Settings settings(form, stubs, stubs, stubs, stubs, "C:\\", "C:\\trifolio.exe");
    settings.fillLists();
    if (settings.LoadOptions(false) != Outcome::Done || stubs.questions != 0)
        return 0;
    const std::string loaded = state(form);
    if (settings.SaveOptions(true) != Outcome::Done)
        std::abort();
    Form again;
    Settings reader(again, stubs, stubs, stubs, stubs, "C:\\", "C:\\trifolio.exe");
    reader.fillLists();
    if (reader.LoadOptions(true) != Outcome::Done || state(again) != loaded)
        std::abort();
    return 0;
}
