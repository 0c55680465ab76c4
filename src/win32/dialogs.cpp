#include "win32/dialogs.h"

#include "win32/strings.h"

namespace trifolio::win32 {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

Answer Win32Dialogs::messageBox(const std::string& title, const std::string& text, Buttons buttons,
                                Icon icon, bool defaultNo) {
    const bool yesNo = buttons == Buttons::YesNo;
    UINT flags = yesNo ? MB_YESNO : MB_OK;
    switch (icon) {
        case Icon::Exclamation:
            flags |= MB_ICONEXCLAMATION;
            break;
        case Icon::Question:
            flags |= MB_ICONQUESTION;
            break;
        case Icon::Stop:
            flags |= MB_ICONSTOP;
            break;
        case Icon::None:
            break;
    }
    if (yesNo && defaultNo)
        flags |= MB_DEFBUTTON2;
    // The window may be hidden in the notification area: the box must still come to the
    // front, and without an owner it blocks the program's other windows.
    flags |= MB_SETFOREGROUND;
    if (!owner_)
        flags |= MB_TASKMODAL;

    switch (MessageBoxW(owner_, widen(text).c_str(), widen(title).c_str(), flags)) {
        case IDYES:
            return Answer::Yes;
        case IDNO:
            return Answer::No;
        case IDOK:
            return Answer::Ok;
        default:
            // No answer: the box could not be shown, or it was destroyed with its owner
            // (the window closed from outside, logging off). That is no consent.
            return yesNo ? Answer::No : Answer::Ok;
    }
}

}  // namespace trifolio::win32
