// Menus: items with captions ("-" is a separator line, "&" marks the access key), the menu bar of
// a form (TMainMenu) and the popup menu a right click shows (TPopupMenu).
#pragma once

#include "platform/ui/Classes.h"

#include <string>
#include <vector>

class QWidget;
class TMenu;
class TCustomForm;

using TShortCut = unsigned short;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    // Frees the sub-items too.
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    // The item a double click runs (shown in bold); setting it clears the flag on its siblings.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    // Clicking toggles Checked first.
    bool AutoCheck = false;
    bool IsLine() const { return caption_ == "-"; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    TMenuItem* Parent() const { return parent_; }
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Take the item out of this one without freeing it.
    void Delete(int index);
    void Remove(TMenuItem* item);
    // Frees every sub-item.
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    // The first sub-item with this caption, ignoring "&".
    TMenuItem* Find(const std::string& caption) const;
    TMenu* GetParentMenu() const;

    virtual void Click();
    TNotifyEvent OnClick;

private:
    friend class TMenu;
    void Changed();

    std::string caption_;
    bool checked_ = false;
    bool default_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    std::string hint_;
    TShortCut shortCut_ = 0;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr; // set on a menu's root item
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() const { return items_; }
    // Called after any item of the menu changed.
    virtual void MenuChanged() {}

private:
    TMenuItem* items_;
};

class TMainMenu : public TMenu {
public:
    using TMenu::TMenu;
    ~TMainMenu() override;
    void MenuChanged() override;
    // The menu bar widget for a form's window (platform use).
    QWidget* CreateMenuBar(QWidget* parent);

private:
    friend class TCustomForm;
    TCustomForm* form_ = nullptr;
};

class TPopupMenu : public TMenu {
public:
    using TMenu::TMenu;
    // Fires OnPopup, shows the menu at the screen point and clicks the item chosen.
    virtual void Popup(int X, int Y);

    // The control whose right click showed the menu.
    TComponent* PopupComponent = nullptr;
    bool AutoPopup = true;
    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
};

// Removes the "&" access-key marks ("&&" stays as one "&").
std::string StripHotkey(const std::string& text);
