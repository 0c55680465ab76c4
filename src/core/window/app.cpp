#include "core/window/app.h"

#include <utility>

#include "core/window/contact.h"
#include "core/window/texts.h"

namespace trifolio {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string programDirOf(const std::string& executablePath) {
    const auto slash = executablePath.find_last_of("\\/");
    std::string dir = slash == std::string::npos ? std::string() : executablePath.substr(0, slash);
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir;
}

App::App(Form& form, StoreSet& stores, Settings& settings, HotkeyEngine& engine,
         platform::Dialogs& dialogs, platform::Files& files, platform::Tray& tray,
         platform::WindowHost& host, std::string commandLine, std::string contactEndpoint)
    : form_(form),
      stores_(stores),
      settings_(settings),
      engine_(engine),
      dialogs_(dialogs),
      files_(files),
      tray_(tray),
      host_(host),
      commandLine_(std::move(commandLine)),
      contactEndpoint_(std::move(contactEndpoint)) {
    // The duplicate check shows the list on the Tastenbelegung page through here.
    settings_.showList = [this](int list) {
        selectTab(2);
        form_.focus = kComboLists.at(list - 1);
    };
    engine_.onUnreachableWindow([this] {
        notice_ =
            "In diesem Fenster kann Trifolio nicht ausschneiden, kopieren oder "
            "einfügen: es läuft mit höheren Rechten.";
        if (iconPresent_)
            tray_.notify("Achtung!", std::exchange(notice_, {}));
    });
}

App::~App() {
    settings_.showList = nullptr;
    engine_.onUnreachableWindow(nullptr);
}

void App::Form_Load() {
    form_.OptionsLoading = true;
    form_.OptionsChanged = false;
    for (auto& store : stores_.stores) {
        store.hasText = false;
        store.hasPicture = false;
    }
    form_.TabStrip1 = 1;
    form_.pStatus.visible = true;
    form_.pTastenbelegung.visible = false;
    form_.pOptionen.visible = false;
    engine_.UpdateClipboardStatus();
    settings_.fillLists();
    if (!keepGoing(settings_.LoadOptions(false)))
        return;
    if (!keepGoing(settings_.SaveOptions(true)))
        return;
    form_.OptionsLoading = false;
    if (form_.Check2.checked() && trimmed(commandLine_) != "/config")
        TrayIconAdd();
    else
        presence_.windowShown = true;
}

bool App::keepGoing(Outcome outcome) {
    if (outcome != Outcome::Quit)
        return true;
    // The user chose to end after a failed load or save: at once, but without leaving
    // hotkeys registered or an icon behind in the notification area.
    end();
    return false;
}

void App::end() {
    engine_.unregisterHotkeys();
    if (iconWanted_)
        tray_.remove();
    iconWanted_ = false;
    iconPresent_ = false;
    presence_.timer = false;
    presence_.ended = true;
}

bool App::applySettings() {
    if (!settings_.CheckDuplicateCombos())
        return false;
    const Outcome saved = settings_.SaveOptions(false);
    if (!keepGoing(saved) || !keepGoing(settings_.SaveOptions(true)))
        return false;
    // "options.tmp" puts the change into effect; when "options.ini" refused it, it is
    // still unsaved, and "Übernehmen" and "Beenden" offer to save it again.
    if (saved == Outcome::Failed) {
        form_.OptionsChanged = true;
        form_.Command1.enabled = true;
    }
    reportRefusedHotkeys();
    return true;
}

namespace {

// `text` followed by `items`: on lines of their own in a message box, in one line in a
// balloon.
std::string listed(std::string text, const std::vector<std::string>& items, bool balloon) {
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (balloon ? (i == 0 ? " " : ", ") : "\r\n") + items[i];
    return text;
}

// What is told of refused combinations.
std::string refusalText(const std::vector<std::string>& refused, bool balloon) {
    std::string text = listed(
        std::string(refused.size() == 1
                        ? "Diese Tastenkombination gehört schon einem anderen Programm und "
                          "wirkt deshalb nicht:"
                        : "Diese Tastenkombinationen gehören schon einem anderen Programm und "
                          "wirken deshalb nicht:") +
            (balloon ? "" : "\r\n"),
        refused, balloon);
    if (!balloon)
        text += "\r\n\r\nBitte wählen Sie eine andere Kombination.";
    return text;
}

}  // namespace

void App::reportRefusedHotkeys() {
    const auto refused = engine_.refusedCombinations();
    if (!refused.empty())
        dialogs_.messageBox("Achtung!", refusalText(refused, false), Buttons::Ok, Icon::Exclamation,
                            false);
}

namespace {

// Combinations that type a character on an installed keyboard layout, told beside the
// refused ones at start-up.
std::string typingText(const std::vector<std::string>& typing, bool balloon) {
    return listed(typing.size() == 1
                      ? "Diese Tastenkombination tippt ein Zeichen, das sich nicht mehr "
                        "eingeben lässt, solange sie belegt ist:"
                      : "Diese Tastenkombinationen tippen Zeichen, die sich nicht mehr "
                        "eingeben lassen, solange sie belegt sind:",
                  typing, balloon);
}

}  // namespace

void App::reportStartupRefusals() {
    const auto refused = engine_.refusedCombinations();
    const auto typing = settings_.typingCombinations();
    if ((refused.empty() && typing.empty()) || presence_.ended)
        return;
    const auto notice = [&](bool balloon) {
        std::string text = refused.empty() ? std::string() : refusalText(refused, balloon);
        if (!typing.empty())
            text += (text.empty() ? "" : balloon ? " " : "\r\n\r\n") + typingText(typing, balloon);
        return text;
    };
    if (!iconWanted_) {
        dialogs_.messageBox("Achtung!", notice(false), Buttons::Ok, Icon::Exclamation, false);
        return;
    }
    notice_ = notice(true);
    if (iconPresent_)
        tray_.notify("Achtung!", std::exchange(notice_, {}));
}

void App::Command1_Click() {
    applySettings();
}

void App::Command3_Click() {
    if (applySettings())
        TrayIconAdd();
}

void App::Command2_Click() {
    if (!keepGoing(settings_.LoadOptions(true)))
        return;
    TrayIconAdd();
}

void App::Command4_Click() {
    if (form_.OptionsChanged) {
        const Answer answer = dialogs_.messageBox(
            "Speichern?", "Möchten Sie die Änderungen der Einstellungen speichern?", Buttons::YesNo,
            Icon::Question, false);
        // Closed from outside while the box asked (logging off, the installer): the
        // program has ended without saving, as those close paths do.
        if (presence_.ended)
            return;
        if (answer == Answer::Yes) {
            if (!settings_.CheckDuplicateCombos())
                return;
            // After a failed save the user chose to go on: with the change still unsaved.
            const Outcome saved = settings_.SaveOptions(false);
            if (!keepGoing(saved) || saved == Outcome::Failed)
                return;
        }
    }
    end();
}

void App::Form_QueryUnload() {
    if (!presence_.ended)
        end();
}

void App::Command5_Click() {
    engine_.clearClipboard();
}

void App::Command6_Click() {
    engine_.clearStore(2);
}

void App::Command7_Click() {
    engine_.clearStore(3);
}

void App::Command8_Click() {
    // The form is disabled while the shell takes the address.
    const auto enable = [this](bool enabled) {
        form_.Command8.enabled = enabled;
        for (const auto& field : kContactFields)
            (form_.*field.member).enabled = enabled;
    };
    enable(false);
    const std::string request =
        ContactRequest(contactEndpoint_, form_.tName.text, form_.tEmail.text, form_.tHomepage.text,
                       form_.tNachricht.text);
    // Only what was handed on is thanked for; the fields keep their texts either way.
    if (request.size() > kUrlLimit)
        dialogs_.messageBox("Achtung!", TooLongText(request.size()), Buttons::Ok, Icon::Exclamation,
                            false);
    else if (!host_.openUrl(request))
        dialogs_.messageBox("Achtung!", kBrowserFailedText, Buttons::Ok, Icon::Exclamation, false);
    else
        form_.Label27 = "Vielen Dank für Ihre Nachricht!";
    enable(true);
}

void App::selectTab(int tab) {
    form_.TabStrip1 = tab;
    TabStrip1_Click();
}

void App::selectInfoTab(int tab) {
    form_.TabInfo = tab;
    TabInfo_Click();
}

void App::TabStrip1_Click() {
    form_.pStatus.visible = false;
    form_.pTastenbelegung.visible = false;
    form_.pOptionen.visible = false;
    form_.pInfo.visible = false;
    switch (form_.TabStrip1) {
        case 1:
            form_.pStatus.visible = true;
            break;
        case 2:
            form_.pTastenbelegung.visible = true;
            break;
        case 3:
            form_.pOptionen.visible = true;
            break;
        case 4:
            form_.pInfo.visible = true;
            selectInfoTab(1);
            break;
        default:
            break;
    }
}

void App::TabInfo_Click() {
    switch (form_.TabInfo) {
        case 1:
            form_.fHilfe.visible = false;
            form_.fKontakt.visible = false;
            form_.FProgramminfo.visible = true;
            break;
        case 2:
            // Read anew on every selection, so an edited file shows at once.
            form_.tHilfe.text = helpText(files_, settings_.programDir() + kHelpFileName);
            form_.fHilfe.visible = true;
            form_.fKontakt.visible = false;
            form_.FProgramminfo.visible = false;
            break;
        case 3:
            form_.fHilfe.visible = false;
            form_.fKontakt.visible = true;
            form_.FProgramminfo.visible = false;
            break;
        default:
            break;
    }
}

void App::TrayIconAdd() {
    presence_.timer = false;
    presence_.windowShown = false;
    presence_.inTaskList = false;
    iconWanted_ = true;
    if (!iconPresent_)
        addTrayIcon();
}

void App::addTrayIcon() {
    iconPresent_ = tray_.add();
    if (iconPresent_ && !notice_.empty())
        tray_.notify("Achtung!", std::exchange(notice_, {}));
}

void App::TrayIconRemove(bool removeIcon) {
    if (removeIcon && iconWanted_) {
        tray_.remove();
        iconWanted_ = false;
        iconPresent_ = false;
    }
    presence_.inTaskList = true;
    presence_.timer = true;
    presence_.windowShown = true;
}

void App::trayCallback(int mouseMessage) {
    if (presence_.ended)
        return;
    if (mouseMessage == platform::kTrayDoubleClick) {
        showStatusPage();
    } else if (mouseMessage == platform::kTrayRightUp) {
        menuCommand(host_.popupMenu());
    }
}

void App::showStatusPage() {
    if (presence_.ended)
        return;
    TrayIconRemove(false);
    selectTab(1);
}

void App::menuCommand(platform::MenuCommand command) {
    if (presence_.ended)
        return;
    switch (command) {
        case platform::MenuCommand::Status:
            selectTab(1);
            TrayIconRemove(false);
            break;
        case platform::MenuCommand::Tastenbelegung:
            selectTab(2);
            TrayIconRemove(false);
            break;
        case platform::MenuCommand::Optionen:
            selectTab(3);
            TrayIconRemove(false);
            break;
        case platform::MenuCommand::Programminfos:
            selectTab(4);
            TrayIconRemove(false);
            break;
        case platform::MenuCommand::Beenden:
            Command4_Click();
            break;
        case platform::MenuCommand::None:
            break;
    }
}

void App::taskbarCreated() {
    // The new notification area knows nothing of the old icon.
    if (iconWanted_ && !presence_.ended)
        addTrayIcon();
}

void App::retryTrayIcon() {
    if (trayIconMissing() && !presence_.ended)
        addTrayIcon();
}

void App::Timer1_Timer() {
    engine_.UpdateClipboardStatus();
}

void App::clipboardChanged() {
    if (presence_.ended)
        return;
    engine_.clipboardChanged();
    if (presence_.windowShown)
        engine_.UpdateClipboardStatus();
}

}  // namespace trifolio
