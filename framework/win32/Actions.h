// Actions and the menu bar. An action is a command with a caption, a shortcut and an execute
// handler; it belongs to one form, which runs it when its shortcut is pressed while the form is
// active (before the focused control sees the key). A form lists its actions in one table of
// TActionRow (CreateActions makes them). Menu items point at actions (and then show the action's
// caption and shortcut) or carry a click handler of their own.
#pragma once

#include "framework/ShortCut.h"
#include "framework/win32/Controls.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tovane {

class TForm;

struct TActionProps {
    std::string Caption; // UTF-8, "&" marks the accelerator
    TShortCut ShortCut = scNone;
    bool Enabled = true;
};

class TAction : public TObject {
public:
    // Registers the action with the form's action list.
    void Create(TForm& form, const TActionProps& props);
    ~TAction() override;

    // Runs OnExecute (when enabled and set); true when it ran. Errors propagate to the caller
    // (the loop's dispatcher reports them).
    bool Execute();
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(std::string caption) { FCaption = std::move(caption); }
    TShortCut ShortCut() const noexcept { return FShortCut; }
    void SetShortCut(TShortCut shortCut) noexcept { FShortCut = shortCut; }
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool enabled) noexcept { FEnabled = enabled; }

    TNotifyEvent OnExecute;

private:
    TForm* FForm = nullptr;
    std::string FCaption;
    TShortCut FShortCut = scNone;
    bool FEnabled = true;
};

// One row of a form's action table: the action (a member of the form), its caption, its
// shortcut and the member handler that runs it. A shortcut is given when the form is loaded
// (ShortCut) or by the form's OnCreate handler (CreateShortCut, see AssignCreateShortCuts).
template <class Form> struct TActionRow {
    TAction Form::*Action;
    const char* Caption; // UTF-8; "" for an action that no menu shows
    TShortCut ShortCut;
    void (Form::*OnExecute)(TObject& Sender);
    TShortCut CreateShortCut = scNone;
};

// Makes every action of the table with its caption and load-time shortcut, bound to its handler.
template <class Form> void CreateActions(Form& form, std::span<const TActionRow<Form>> rows) {
    for (const TActionRow<Form>& row : rows) {
        TAction& action = form.*row.Action;
        action.Create(form, {.Caption = row.Caption, .ShortCut = row.ShortCut});
        action.OnExecute = std::bind_front(row.OnExecute, &form);
    }
}

// Gives the actions of the table their CreateShortCut (the form's OnCreate handler calls it).
template <class Form>
void AssignCreateShortCuts(Form& form, std::span<const TActionRow<Form>> rows) {
    for (const TActionRow<Form>& row : rows)
        if (row.CreateShortCut != scNone)
            (form.*row.Action).SetShortCut(row.CreateShortCut);
}

class TMenuItem;

struct TMenuItemProps {
    std::string Caption; // UTF-8; "-" is a separator; ignored with an Action
    TAction* Action = nullptr;
    std::vector<TMenuItem*> Items; // sub-items of a drop-down
};

class TMenuItem : public TObject {
public:
    void Set(const TMenuItemProps& props) { FProps = props; }
    const TMenuItemProps& Props() const noexcept { return FProps; }
    // The caption shown: the action's when bound to one.
    std::string Caption() const;
    TShortCut ShortCut() const;
    // Runs the action or OnClick.
    void Click();

    TNotifyEvent OnClick;

private:
    friend class TMainMenu;
    TMenuItemProps FProps;
    UINT FId = 0;
};

// The menu bar of a form: the top-level items in order.
class TMainMenu : public TObject {
public:
    void Create(TForm& form, std::vector<TMenuItem*> items);
    ~TMainMenu() override;
    HMENU Handle() const noexcept { return FMenu; }
    // The item with this command id, or nullptr.
    TMenuItem* FindItem(UINT id) const;
    // Refreshes the texts of a drop-down before it opens (captions and shortcuts of actions
    // may have changed).
    void UpdateTexts(HMENU popup) const;

private:
    HMENU Build(const std::vector<TMenuItem*>& items, bool bar);
    TForm* FForm = nullptr;
    HMENU FMenu = nullptr;
    std::vector<TMenuItem*> FAll;
    UINT FNextId = 100;
};

} // namespace tovane
