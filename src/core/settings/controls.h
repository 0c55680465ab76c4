// Controls of the settings window as plain data with their click reactions.
//
// The logic reads and sets these by name; the Win32 view mirrors them onto real
// controls and feeds the user's choices back through the same setters, so a choice
// made by the user and a value set by the program run the same reaction.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace trifolio {

struct Control {
    bool enabled = true;
    bool visible = true;
};

// A control whose value the user and the program change alike. Its click reaction is
// set by the logic it belongs to (the settings) and runs after each change, whoever made
// it; the view routes a notification to the control's setter, never to the reaction.
class Reacting : public Control {
  public:
    std::function<void()> onClick;

  protected:
    void clicked() const {
        if (onClick)
            onClick();
    }
};

// A drop-down selection list: its value is always one of its entries or empty.
class ComboBox : public Reacting {
  public:
    const std::vector<std::string>& items() const { return items_; }
    int selectedIndex() const { return selected_; }
    // The selected entry's text, empty without a selection.
    std::string text() const { return selected_ < 0 ? std::string() : items_[selected_]; }

    // Removes every entry and the selection. Runs no reaction.
    void clear() {
        items_.clear();
        selected_ = -1;
    }
    void addItem(std::string item) { items_.push_back(std::move(item)); }

    // Selects the entry at `index` (-1: none) and runs the click reaction.
    void select(int index) {
        selected_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
        clicked();
    }
    // Selects the first entry equal to `value` and runs the click reaction; the empty
    // text clears the selection. False, with nothing changed, when no entry has the text.
    bool setText(const std::string& value) {
        if (value.empty()) {
            select(-1);
            return true;
        }
        for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
            if (items_[i] == value) {
                select(i);
                return true;
            }
        }
        return false;
    }

  private:
    std::vector<std::string> items_;
    int selected_ = -1;
};

class CheckBox : public Reacting {
  public:
    bool checked() const { return checked_; }
    // Runs the click reaction when the state changes.
    void setChecked(bool value) {
        if (value == checked_)
            return;
        checked_ = value;
        clicked();
    }

  private:
    bool checked_ = false;
};

struct Button : Control {
    std::string caption;
};

struct TextBox : Control {
    std::string text;
};

struct Label : Control {
    std::string caption;
};

struct Frame : Control {};

}  // namespace trifolio
