#include "platform/ui/Menus.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Widgets_p.h"
#include "platform/ui/Win1252.h"

#include <QAction>
#include <QFont>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

std::string StripHotkey(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out.push_back('&');
                ++i;
            }
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

// --- TMenuItem ------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    Destroying();
    while (!items_.empty()) {
        TMenuItem* item = items_.back();
        items_.pop_back();
        item->parent_ = nullptr;
        item->BeforeDestruction();
        delete item;
    }
    if (parent_) parent_->Remove(this);
}

void TMenuItem::Changed() {
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    Changed();
}

void TMenuItem::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    if (value && radioItem_ && parent_) {
        for (TMenuItem* other : parent_->items_)
            if (other != this && other->radioItem_ && other->groupIndex_ == groupIndex_)
                other->checked_ = false;
    }
    Changed();
}

void TMenuItem::SetDefault(bool value) {
    if (value == default_) return;
    if (value && parent_)
        for (TMenuItem* other : parent_->items_) other->default_ = false;
    default_ = value;
    Changed();
}

void TMenuItem::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    Changed();
}

void TMenuItem::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Changed();
}

void TMenuItem::SetRadioItem(bool value) {
    if (value == radioItem_) return;
    radioItem_ = value;
    Changed();
}

void TMenuItem::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    groupIndex_ = value;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut value) {
    if (value == shortCut_) return;
    shortCut_ = value;
    Changed();
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item || item == this) return;
    if (item->parent_) throw EInvalidOperation("Menu inserted twice");
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Changed();
}

void TMenuItem::Delete(int index) {
    if (index < 0 || index >= Count()) throw EInvalidOperation("Menu index out of range");
    TMenuItem* item = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    item->parent_ = nullptr;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    const int i = IndexOf(item);
    if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
    while (!items_.empty()) {
        TMenuItem* item = items_.back();
        items_.pop_back();
        item->parent_ = nullptr;
        item->BeforeDestruction();
        delete item;
    }
    Changed();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
    const std::string want = StripHotkey(caption);
    for (TMenuItem* item : items_)
        if (StripHotkey(item->caption_) == want) return item;
    return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    return root->menu_;
}

void TMenuItem::Click() {
    if (!enabled_) return;
    if (AutoCheck) SetChecked(!checked_);
    if (OnClick) OnClick(this);
}

// --- Menus ----------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    Destroying();
    items_->menu_ = nullptr;
    delete items_;
}

TMainMenu::~TMainMenu() {
    if (form_ && form_->Menu() == this) form_->SetMenu(nullptr);
}

void TMainMenu::MenuChanged() {
    if (form_) form_->MenuChanged();
}

namespace {

// Fills a Qt menu with the visible sub-items of item; a triggered action clicks its item.
void FillMenu(QMenu* menu, TMenuItem* item) {
    std::vector<std::pair<int, QActionGroup*>> groups;
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* sub = item->Items(i);
        if (!sub->Visible()) continue;
        if (sub->IsLine()) {
            menu->addSeparator();
            continue;
        }
        const QString text = Win1252ToQString(sub->Caption());
        if (sub->Count() > 0) {
            QMenu* child = menu->addMenu(text);
            child->setEnabled(sub->Enabled());
            FillMenu(child, sub);
            continue;
        }
        QAction* action = menu->addAction(text);
        action->setEnabled(sub->Enabled());
        action->setCheckable(sub->Checked() || sub->AutoCheck || sub->RadioItem());
        action->setChecked(sub->Checked());
        if (sub->Default()) {
            QFont font = action->font();
            font.setBold(true);
            action->setFont(font);
        }
        action->setData(QVariant::fromValue(static_cast<void*>(sub)));
        if (!sub->Hint().empty()) action->setStatusTip(Win1252ToQString(sub->Hint()));
        if (sub->RadioItem()) {
            auto it = std::find_if(groups.begin(), groups.end(),
                                   [&](const auto& g) { return g.first == sub->GroupIndex(); });
            if (it == groups.end()) {
                groups.emplace_back(sub->GroupIndex(), new QActionGroup(menu));
                it = groups.end() - 1;
            }
            it->second->addAction(action);
        }
    }
}

} // namespace

QWidget* TMainMenu::CreateMenuBar(QWidget* parent) {
    auto* bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    TMenuItem* root = Items();
    for (int i = 0; i < root->Count(); ++i) {
        TMenuItem* top = root->Items(i);
        if (!top->Visible() || top->IsLine()) continue;
        const QString text = Win1252ToQString(top->Caption());
        if (top->Count() > 0) {
            QMenu* menu = bar->addMenu(text);
            menu->setEnabled(top->Enabled());
            FillMenu(menu, top);
        } else {
            QAction* action = bar->addAction(text);
            action->setEnabled(top->Enabled());
            action->setData(QVariant::fromValue(static_cast<void*>(top)));
        }
    }
    QObject::connect(bar, &QMenuBar::triggered, bar, [this](QAction* action) {
        auto* item = static_cast<TMenuItem*>(action->data().value<void*>());
        if (!item) return;
        action->setChecked(item->Checked());
        CallGuarded(this, [item] { item->Click(); });
    });
    return bar;
}

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    if (TMenuItem* chosen = UiSeam().TrackPopupMenu(this, X, Y)) chosen->Click();
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMenu::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == PopupComponent) PopupComponent = nullptr;
}

TMenuItem* ExecPopupMenu(TPopupMenu* menu, int x, int y) {
    EnsureQtApplication();
    QMenu qmenu;
    FillMenu(&qmenu, menu->Items());
    QAction* chosen = qmenu.exec(QPoint(x, y));
    return chosen ? static_cast<TMenuItem*>(chosen->data().value<void*>()) : nullptr;
}
