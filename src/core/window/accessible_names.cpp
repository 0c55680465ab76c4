#include "core/window/accessible_names.h"

#include <array>
#include <string_view>

namespace trifolio {

namespace {

constexpr std::array<std::string_view, 3> kActions = {"Ausschneiden", "Kopieren", "Einfügen"};

// The number at the end of a control's name ("Combo12": 12), 0 without one.
int numberOf(std::string_view name) {
    int number = 0;
    for (std::size_t i = name.find_first_of("0123456789");
         i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
        number = number * 10 + (name[i] - '0');
    return number;
}

// Named after what they hold or show rather than a caption of their own.
struct Named {
    std::string_view control, name;
};
constexpr Named kNamed[] = {
    {"TabStrip1", "Seiten"},
    {"pStatus", "Status"},
    {"pTastenbelegung", "Tastenbelegung"},
    {"pOptionen", "Optionen"},
    {"pInfo", "Info"},
    {"TabInfo", "Info-Seiten"},
    {"FProgramminfo", "Programminfo"},
    {"fHilfe", "Hilfe"},
    {"tHilfe", "Hilfe"},
    {"fKontakt", "Kontakt"},
    {"Image7", "Trifolio"},
    {"Picture1", "Trifolio"},
    {"StatusBar1", "Ablagen"},
};

}  // namespace

std::string accessibleName(layout::ControlId control) {
    const layout::ControlRow& row = layout::row(control);
    const int number = numberOf(row.name);
    if (row.kind == layout::Kind::ComboList) {
        const int assignment = (number - 1) / 2;
        return "Ablage " + std::to_string(assignment < 3 ? 2 : 3) + ", " +
               std::string(kActions[static_cast<std::size_t>(assignment % 3)]) +
               (number % 2 ? ": Zusatztaste" : ": Taste");
    }
    if (row.name.starts_with("CB"))  // CB1text, CB2image2
        return "Ablage " + std::to_string(row.name[2] - '0') +
               (row.kind == layout::Kind::TextBox ? ": Text" : ": Bild");
    if (row.name.starts_with("Image") && number <= 6)
        return "Ablage " + std::to_string(number <= 3 ? 2 : 3) + ", " +
               std::string(kActions[static_cast<std::size_t>((number - 1) % 3)]);
    for (const auto& named : kNamed)
        if (named.control == row.name)
            return std::string(named.name);
    return std::string(row.caption);
}

}  // namespace trifolio
