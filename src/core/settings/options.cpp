// The options files "options.ini" and "options.tmp": 29 quoted lines, CR LF, Windows-1252.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/formats/text.h"
#include "core/hotkeys/keys.h"
#include "core/settings/settings.h"

namespace trifolio {
namespace {

constexpr std::string_view kIniName = "options.ini";
constexpr std::string_view kTmpName = "options.tmp";
constexpr int kFieldCount = 29;

// The label line of each assignment; each is followed by its modifier, its key and an
// empty line.
constexpr std::array<std::string_view, kAssignmentCount> kAssignmentLabels = {
    "Ablage 2, Ausschneiden:", "Ablage 2, Kopieren:", "Ablage 2, Einfügen:",
    "Ablage 3, Ausschneiden:", "Ablage 3, Kopieren:", "Ablage 3, Einfügen:"};
constexpr std::array<std::string_view, 3> kOptionLabels = {"autostart:", "minimiert:", "warnen:"};

using ListValues = std::array<std::string, 12>;  // Combo1 .. Combo12

// The whole file as Windows-1252 bytes.
std::string formatOptions(const ListValues& lists, const std::array<bool, 3>& options) {
    std::string text;
    auto line = [&text](std::string_view content) {
        text += '"';
        text += content;
        text += "\"\r\n";
    };
    for (int a = 0; a < kAssignmentCount; ++a) {
        line(kAssignmentLabels[a]);
        line(lists[modifierListNumber(a) - 1]);
        line(lists[keyListNumber(a) - 1]);
        line("");
    }
    line("");
    line("Optionen:");
    for (size_t k = 0; k < options.size(); ++k)
        line(std::string(kOptionLabels[k]) + (options[k] ? " 1" : " 0"));
    return utf8ToCp1252(text);
}

// What a first start without "options.ini" takes: store 2 on STRG+ALT with X, C and V;
// store 3 without cut, copy on F11 alone, paste on ALT+F12; autostart and warning on.
std::string defaultOptionsText() {
    return formatOptions(
        {"STRG+ALT", "X", "STRG+ALT", "C", "STRG+ALT", "V", "-", "-", "-", "F11", "ALT", "F12"},
        {true, false, true});
}

// Reads one field after another. A field starts at the first character that is no blank
// and no line end; a quoted field runs to the next quote (commas inside belong to it),
// an unquoted one to the next comma or line end.
class FieldReader {
  public:
    explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

    // The next field, or nullopt when the file ends before it (or inside its quotes).
    std::optional<std::string> next() {
        while (pos_ < bytes_.size() && isBlankOrLineEnd(bytes_[pos_]))
            ++pos_;
        if (pos_ == bytes_.size())
            return std::nullopt;
        std::string field;
        if (bytes_[pos_] == '"') {
            const size_t close = bytes_.find('"', pos_ + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            field = bytes_.substr(pos_ + 1, close - pos_ - 1);
            // Whatever follows the closing quote up to the field's end is dropped.
            pos_ = bytes_.find_first_of(",\r\n", close + 1);
        } else {
            const size_t end = bytes_.find_first_of(",\r\n", pos_);
            field = bytes_.substr(pos_, end - pos_);
            pos_ = end;
        }
        if (pos_ == std::string_view::npos)
            pos_ = bytes_.size();
        else if (bytes_[pos_] == ',')
            ++pos_;
        return field;
    }

  private:
    static bool isBlankOrLineEnd(char c) { return c == ' ' || c == '\r' || c == '\n'; }

    std::string_view bytes_;
    size_t pos_ = 0;
};

}  // namespace

Outcome Settings::askToContinue(const char* module, const std::string& description) {
    const std::string text = std::string("Folgender Fehler ist im Modul ") + module +
                             " aufgetreten: " + description + "." + "\n\r" +
                             "Soll das Programm fortgeführt werden?";
    const auto answer =
        dialogs_.messageBox("Fehler!", text, platform::Buttons::YesNo, platform::Icon::Stop, true);
    return answer == platform::Answer::Yes ? Outcome::Failed : Outcome::Quit;
}

Outcome Settings::LoadOptions(bool fromTmp) {
    form_.OptionsLoading = true;
    auto fail = [this](const std::string& description) {
        form_.OptionsLoading = false;
        return askToContinue("LoadOptions", description);
    };

    const std::string path = programDir_ + std::string(fromTmp ? kTmpName : kIniName);
    std::string bytes;
    if (!fromTmp && !files_.exists(path)) {
        bytes = defaultOptionsText();  // first start
    } else {
        std::string error;
        auto content = files_.read(path, error);
        if (!content)
            return fail(error);
        bytes = std::move(*content);
    }

    // Each field takes effect as soon as it is read, so the reactions of one list have
    // run before the next field is looked at.
    FieldReader reader(bytes);
    for (int field = 1; field <= kFieldCount; ++field) {
        const auto raw = reader.next();
        if (!raw)
            return fail("Unerwartetes Dateiende");
        const std::string value = cp1252ToUtf8(*raw);

        if (field <= 4 * kAssignmentCount) {
            const int assignment = (field - 1) / 4;
            const int place = (field - 1) % 4;  // 0 label, 1 modifier, 2 key, 3 empty
            if (place != 1 && place != 2)
                continue;
            const int list =
                place == 1 ? modifierListNumber(assignment) : keyListNumber(assignment);
            if (!form_.combo(list).setText(value))
                return fail("Ungültiger Wert '" + value + "' für Combo" + std::to_string(list));
            // A store-3 action without a key has no modifier either.
            if (place == 2 && storeOfAssignment(assignment) == 3 && value == "-")
                form_.combo(modifierListNumber(assignment)).setText("-");
        } else if (field >= kFieldCount - 2) {
            const bool ticked = !value.empty() && value.back() == '1';
            CheckBox* boxes[] = {&form_.Check1, &form_.Check2, &form_.Check3};
            boxes[field - (kFieldCount - 2)]->setChecked(ticked);
        }
    }

    form_.OptionsChanged = false;
    form_.OptionsLoading = false;
    hotkeys_.unregisterHotkeys();
    hotkeys_.registerHotkeys(assignments());
    return Outcome::Done;
}

Outcome Settings::SaveOptions(bool toTmp) {
    ListValues lists;
    for (int n = 1; n <= 12; ++n)
        lists[n - 1] = form_.combo(n).text();
    const std::string bytes = formatOptions(
        lists, {form_.Check1.checked(), form_.Check2.checked(), form_.Check3.checked()});

    const std::string path = programDir_ + std::string(toTmp ? kTmpName : kIniName);
    std::string error;
    if (!files_.writeAtomically(path, bytes, error))
        return askToContinue("SaveOptions", error);

    SetAutostart(form_.Check1.checked() ? "ON" : "OFF");
    form_.OptionsChanged = false;
    form_.Command1.enabled = false;
    hotkeys_.unregisterHotkeys();
    hotkeys_.registerHotkeys(assignments());
    return Outcome::Done;
}

}  // namespace trifolio
