#include "framework/win32/Actions.h"

#include "framework/win32/Forms.h"
#include "framework/win32/Text.h"

#include <algorithm>

namespace tovane {

void TAction::Create(TForm& form, const TActionProps& props) {
    FForm = &form;
    FCaption = props.Caption;
    FShortCut = props.ShortCut;
    FEnabled = props.Enabled;
    form.FActions.push_back(this);
}

TAction::~TAction() {
    if (FForm != nullptr) {
        auto& list = FForm->FActions;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

bool TAction::Execute() {
    if (!FEnabled || !OnExecute)
        return false;
    OnExecute(*this);
    return true;
}

std::string TMenuItem::Caption() const {
    return FProps.Action != nullptr ? FProps.Action->Caption() : FProps.Caption;
}

TShortCut TMenuItem::ShortCut() const {
    return FProps.Action != nullptr ? FProps.Action->ShortCut() : scNone;
}

void TMenuItem::Click() {
    if (FProps.Action != nullptr)
        FProps.Action->Execute();
    else if (OnClick)
        OnClick(*this);
}

namespace {

std::wstring MenuText(const TMenuItem& item) {
    std::string text = item.Caption();
    const std::string key = ShortCutToText(item.ShortCut());
    if (!key.empty())
        text += "\t" + key;
    return Utf8ToWide(text);
}

} // namespace

void TMainMenu::Create(TForm& form, std::vector<TMenuItem*> items) {
    FForm = &form;
    FMenu = Build(items, true);
    form.FMenu = this;
    SetMenu(form.Handle(), FMenu);
    form.MenuAttached();
}

TMainMenu::~TMainMenu() {
    if (FForm != nullptr) {
        if (FForm->Handle() != nullptr)
            SetMenu(FForm->Handle(), nullptr);
        if (FForm->FMenu == this)
            FForm->FMenu = nullptr;
    }
    if (FMenu != nullptr)
        DestroyMenu(FMenu); // and every drop-down in it
}

HMENU TMainMenu::Build(const std::vector<TMenuItem*>& items, bool bar) {
    HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    for (TMenuItem* item : items) {
        FAll.push_back(item);
        const TMenuItemProps& p = item->Props();
        if (p.Action == nullptr && p.Caption == "-") {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!p.Items.empty()) {
            HMENU sub = Build(p.Items, false);
            AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub),
                        MenuText(*item).c_str());
        } else {
            item->FId = FNextId++;
            AppendMenuW(menu, MF_STRING, item->FId, MenuText(*item).c_str());
        }
    }
    return menu;
}

TMenuItem* TMainMenu::FindItem(UINT id) const {
    for (TMenuItem* item : FAll)
        if (item->FId == id && id != 0)
            return item;
    return nullptr;
}

void TMainMenu::UpdateTexts(HMENU popup) const {
    const int n = GetMenuItemCount(popup);
    for (int pos = 0; pos < n; ++pos) {
        const UINT id = GetMenuItemID(popup, pos);
        if (id == static_cast<UINT>(-1))
            continue; // a drop-down or a separator
        TMenuItem* item = FindItem(id);
        if (item == nullptr)
            continue;
        ModifyMenuW(popup, static_cast<UINT>(pos), MF_BYPOSITION | MF_STRING, id,
                    MenuText(*item).c_str());
        const bool enabled = item->Props().Action == nullptr || item->Props().Action->Enabled();
        EnableMenuItem(popup, static_cast<UINT>(pos),
                       MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

} // namespace tovane
