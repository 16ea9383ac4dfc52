// Actions and the menu bar. An action is a command with a caption, a shortcut and an execute
// handler; it belongs to one form, which runs it when its shortcut is pressed while the form is
// active (before the focused control sees the key). Menu items point at actions (and then show
// the action's caption and shortcut) or carry a click handler of their own.
#pragma once

#include "framework/ShortCut.h"
#include "framework/win32/Controls.h"

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
