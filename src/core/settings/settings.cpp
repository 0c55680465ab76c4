// The click reactions of the assignment lists and options, the duplicate check that
// guards every save, and the autostart value.
#include "core/settings/settings.h"

#include <array>
#include <utility>

#include "core/hotkeys/keys.h"

namespace trifolio {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

Settings::Settings(SettingsControls& form, platform::Dialogs& dialogs, platform::Files& files,
                   platform::Registry& registry, HotkeyRegistration& hotkeys,
                   std::string programDir, std::string executablePath)
    : form_(form),
      dialogs_(dialogs),
      files_(files),
      registry_(registry),
      hotkeys_(hotkeys),
      programDir_(std::move(programDir)),
      executablePath_(std::move(executablePath)) {
    for (int n = 1; n <= 12; ++n) {
        if (n % 2 == 1)
            form_.combo(n).onClick = [this, n] { modifierReaction(n); };
        else
            form_.combo(n).onClick = [this, n] { keyReaction(n); };
    }
    form_.Check1.onClick = [this] { markChanged(); };
    form_.Check2.onClick = [this] { markChanged(); };
    // Check3 has no reaction: it only decides about the warning, and changing it is no
    // change to apply (its state is written with the next save).
}

Settings::~Settings() {
    for (auto& combo : form_.combos)
        combo.onClick = nullptr;
    form_.Check1.onClick = nullptr;
    form_.Check2.onClick = nullptr;
}

void Settings::fillLists() {
    for (auto modifier : kModifierTexts)
        for (int a = 0; a < kAssignmentCount; ++a)
            form_.combo(modifierListNumber(a)).addItem(std::string(modifier));
    for (int a = Cut3; a <= Paste3; ++a)
        form_.combo(keyListNumber(a)).addItem("-");
    for (const auto& key : keyListEntries(2, true))
        for (int a = 0; a < kAssignmentCount; ++a)
            form_.combo(keyListNumber(a)).addItem(key);
}

Assignments Settings::assignments() const {
    Assignments typed;
    for (int a = 0; a < kAssignmentCount; ++a)
        typed[a] = combinationOf(form_.combo(modifierListNumber(a)).text(),
                                 form_.combo(keyListNumber(a)).text());
    return typed;
}

void Settings::markChanged() {
    form_.OptionsChanged = true;
    form_.Command1.enabled = true;
}

// A modifier list changed: warn about Alt combinations, then offer in the key list only
// the keys that fit the modifier, keeping the chosen key where it is still offered.
void Settings::modifierReaction(int modifierList) {
    markChanged();
    ComboBox& modifier = form_.combo(modifierList);
    ComboBox& keys = form_.combo(modifierList + 1);

    const std::string chosen = modifier.text();
    if ((chosen == "ALT" || chosen == "STRG+ALT") && form_.Check3.checked() &&
        !form_.OptionsLoading) {
        // The key kept with the new modifier may type a character: the same box says so.
        const auto typed = typedBy(modifierList);
        const Answer answer = dialogs_.messageBox(
            "Achtung!",
            "Kombinationen mit '" + chosen + "' rufen häufig Schwierigkeiten hervor.\r\n" +
                (typed
                     ? typedCharacterWarning(combinationText(chosen, keys.text()), *typed) + "\r\n"
                     : "") +
                "Trotzdem fortfahren?",
            Buttons::YesNo, Icon::Exclamation, true);
        if (answer == Answer::No)
            modifier.setText("STRG");  // runs this reaction again, without a warning
    }

    const std::string current = modifier.text();
    const bool withModifier = current == "STRG" || current == "ALT" || current == "STRG+ALT";
    const std::string previousKey = keys.text();
    keys.clear();
    for (auto& entry : keyListEntries(storeOfList(modifierList), withModifier))
        keys.addItem(std::move(entry));
    // Without a modifier only function keys remain; a letter or digit gives way to the
    // first entry ("F1", or "-" in store 3).
    if (!withModifier && previousKey.size() <= 1)
        keys.select(0);
    else if (!keys.setText(previousKey))
        keys.select(-1);
}

std::optional<TypedCharacter> Settings::typedBy(int modifierList) {
    if (!layouts || !form_.Check3.checked())
        return std::nullopt;
    return typedCharacter(*layouts, form_.combo(modifierList).text(),
                          form_.combo(modifierList + 1).text());
}

// A key list changed: a key that types a character with its modifier is asked about,
// and "No" goes back to the key before.
void Settings::keyReaction(int keyList) {
    markChanged();
    const std::string chosen = form_.combo(keyList).text();
    std::string& kept = keptKeys_[keyList / 2 - 1];
    if (chosen != kept && !form_.OptionsLoading) {
        if (const auto typed = typedBy(keyList - 1)) {
            const std::string combination =
                combinationText(form_.combo(keyList - 1).text(), chosen);
            if (dialogs_.messageBox(
                    "Achtung!",
                    typedCharacterWarning(combination, *typed) + "\r\nTrotzdem fortfahren?",
                    Buttons::YesNo, Icon::Exclamation, true) == Answer::No) {
                form_.combo(keyList).setText(kept);  // runs this reaction again, asking nothing
                return;
            }
        }
    }
    kept = chosen;
}

std::vector<std::string> Settings::typingCombinations() {
    std::vector<std::string> found;
    for (int a = 0; a < kAssignmentCount; ++a)
        if (const auto typed = typedBy(modifierListNumber(a)))
            found.push_back(
                typedCharacterItem(combinationText(form_.combo(modifierListNumber(a)).text(),
                                                   form_.combo(keyListNumber(a)).text()),
                                   *typed));
    return found;
}

bool Settings::CheckDuplicateCombos() {
    // A store-3 action without a key has no modifier either.
    for (int a = Cut3; a <= Paste3; ++a)
        if (form_.combo(keyListNumber(a)).text() == "-")
            form_.combo(modifierListNumber(a)).setText("-");

    std::array<std::string, kAssignmentCount> combinations;
    for (int a = 0; a < kAssignmentCount; ++a)
        combinations[a] = combinationText(form_.combo(modifierListNumber(a)).text(),
                                          form_.combo(keyListNumber(a)).text());

    // j runs over all indices for each i, so j is the later of the first colliding pair.
    for (int i = 0; i < kAssignmentCount; ++i) {
        for (int j = 0; j < kAssignmentCount; ++j) {
            if (i == j || combinations[i] != combinations[j] || combinations[i] == "-+-")
                continue;
            dialogs_.messageBox("Achtung!",
                                "Doppelt vergebene Kombination: '" + combinations[i] + "'",
                                Buttons::Ok, Icon::Exclamation, false);
            if (showList)
                showList(keyListNumber(j));
            return false;
        }
    }
    return true;
}

void Settings::SetAutostart(const std::string& mode) {
    // Quoted, so that a path with blanks cannot be read as a shorter program path.
    if (mode == "ON")
        registry_.setString(kRunKeyPath, kRunValueName, '"' + executablePath_ + '"');
    else
        registry_.deleteValue(kRunKeyPath, kRunValueName);
}

}  // namespace trifolio
