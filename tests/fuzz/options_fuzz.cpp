// libFuzzer target: any bytes as "options.ini" for LoadOptions. What loads without a
// question is saved to "options.tmp" and loads back to the same lists and boxes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../support/memory_files.h"
#include "core/settings/settings.h"

namespace {

using namespace trifolio;

struct Stubs : fakes::MemoryFiles, platform::Dialogs, HotkeyRegistration {
    int questions = 0;
    platform::Answer messageBox(const std::string&, const std::string&, platform::Buttons,
                                platform::Icon, bool) override {
        return ++questions, platform::Answer::Yes;
    }
    void unregisterHotkeys() override {}
    void registerHotkeys(const Assignments&) override {}
};

std::string state(const SettingsControls& form) {
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
    SettingsControls form;
    Settings settings(form, stubs, stubs, stubs, stubs, "C:\\", "C:\\trifolio.exe");
    settings.fillLists();
    if (settings.LoadOptions(false) != Outcome::Done || stubs.questions != 0)
        return 0;
    const std::string loaded = state(form);
    if (settings.SaveOptions(true) != Outcome::Done)
        std::abort();
    SettingsControls again;
    Settings reader(again, stubs, stubs, stubs, stubs, "C:\\", "C:\\trifolio.exe");
    reader.fillLists();
    if (reader.LoadOptions(true) != Outcome::Done || state(again) != loaded)
        std::abort();
    return 0;
}
