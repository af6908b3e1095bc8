#include "platform/shell/Shell.h"

#include "platform/gdi/QtImage.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Widgets_p.h"
#include "platform/ui/Win1252.h"
#include "platform/win/Messages.h"

#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <cstring>
#include <map>
#include <utility>

namespace {

struct TrayEntry {
    QSystemTrayIcon* icon = nullptr;
    UINT callbackMessage = 0;
    bool notifies = false; // NIF_MESSAGE was given
};

using TrayKey = std::pair<HWND, UINT>;

// The icons shown, by window and uID. Never destroyed: Qt's objects must not outlive the Qt
// application, so an icon left behind at exit is not deleted after it.
std::map<TrayKey, TrayEntry>& Icons() {
    static auto* icons = new std::map<TrayKey, TrayEntry>;
    return *icons;
}

void Notify(const TrayKey& key, UINT first, UINT second) {
    const auto it = Icons().find(key);
    if (it == Icons().end() || !it->second.notifies) return;
    const UINT msg = it->second.callbackMessage;
    PostMessage(key.first, msg, key.second, static_cast<LPARAM>(first));
    PostMessage(key.first, msg, key.second, static_cast<LPARAM>(second));
}

// Without a picture an icon keeps its place, empty, and can still be clicked.
QIcon IconOf(HICON icon) {
    QImage image = GdiIconToQImage(icon);
    if (image.isNull()) {
        image = QImage(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
    }
    return QIcon(QPixmap::fromImage(image));
}

void Apply(TrayEntry& entry, const NOTIFYICONDATAA& data) {
    if (data.uFlags & NIF_MESSAGE) {
        entry.notifies = true;
        entry.callbackMessage = data.uCallbackMessage;
    }
    if (data.uFlags & NIF_ICON) entry.icon->setIcon(IconOf(data.hIcon));
    if (data.uFlags & NIF_TIP) {
        // Never read past the field, terminated or not.
        const std::size_t length = ::strnlen(data.szTip, sizeof data.szTip - 1);
        entry.icon->setToolTip(Win1252ToQString(std::string(data.szTip, length)));
    }
}

BOOL Add(const TrayKey& key, const NOTIFYICONDATAA& data) {
    if (!key.first || Icons().count(key)) return FALSE;
    EnsureQtApplication();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return FALSE;
    TrayEntry entry;
    entry.icon = new QSystemTrayIcon;
    QObject::connect(entry.icon, &QSystemTrayIcon::activated, entry.icon,
                     [key](QSystemTrayIcon::ActivationReason reason) {
                         switch (reason) {
                         case QSystemTrayIcon::Trigger:
                             Notify(key, WM_LBUTTONDOWN, WM_LBUTTONUP);
                             break;
                         case QSystemTrayIcon::Context:
                             Notify(key, WM_RBUTTONDOWN, WM_RBUTTONUP);
                             break;
                         case QSystemTrayIcon::MiddleClick:
                             Notify(key, WM_MBUTTONDOWN, WM_MBUTTONUP);
                             break;
                         case QSystemTrayIcon::DoubleClick:
                             Notify(key, WM_LBUTTONDBLCLK, WM_LBUTTONUP);
                             break;
                         default:
                             break;
                         }
                     });
    entry.icon->setIcon(IconOf(nullptr));
    Apply(entry, data);
    entry.icon->show();
    Icons().emplace(key, entry);
    return TRUE;
}

} // namespace

BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) {
    if (!data || data->cbSize < sizeof(NOTIFYICONDATAA)) return FALSE;
    const TrayKey key(data->hWnd, data->uID);
    if (message == NIM_ADD) return Add(key, *data);
    const auto it = Icons().find(key);
    if (it == Icons().end()) return FALSE;
    switch (message) {
    case NIM_MODIFY:
        Apply(it->second, *data);
        return TRUE;
    case NIM_DELETE: {
        QSystemTrayIcon* icon = it->second.icon;
        Icons().erase(it);
        icon->hide();
        delete icon;
        return TRUE;
    }
    default:
        return FALSE;
    }
}
