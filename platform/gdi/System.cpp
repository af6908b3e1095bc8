#include "platform/gdi/System.h"

#include "platform/gdi/Objects_p.h"

#include <QGuiApplication>
#include <QScreen>
#include <QThread>

namespace {

constexpr COLORREF kSysColors[31] = {
    RGB(192, 192, 192), // COLOR_SCROLLBAR
    RGB(0, 128, 128),   // COLOR_BACKGROUND
    RGB(0, 0, 128),     // COLOR_ACTIVECAPTION
    RGB(128, 128, 128), // COLOR_INACTIVECAPTION
    RGB(192, 192, 192), // COLOR_MENU
    RGB(255, 255, 255), // COLOR_WINDOW
    RGB(0, 0, 0),       // COLOR_WINDOWFRAME
    RGB(0, 0, 0),       // COLOR_MENUTEXT
    RGB(0, 0, 0),       // COLOR_WINDOWTEXT
    RGB(255, 255, 255), // COLOR_CAPTIONTEXT
    RGB(192, 192, 192), // COLOR_ACTIVEBORDER
    RGB(192, 192, 192), // COLOR_INACTIVEBORDER
    RGB(128, 128, 128), // COLOR_APPWORKSPACE
    RGB(0, 0, 128),     // COLOR_HIGHLIGHT
    RGB(255, 255, 255), // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192), // COLOR_BTNFACE
    RGB(128, 128, 128), // COLOR_BTNSHADOW
    RGB(128, 128, 128), // COLOR_GRAYTEXT
    RGB(0, 0, 0),       // COLOR_BTNTEXT
    RGB(192, 192, 192), // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),       // COLOR_3DDKSHADOW
    RGB(192, 192, 192), // COLOR_3DLIGHT
    RGB(0, 0, 0),       // COLOR_INFOTEXT
    RGB(255, 255, 225), // COLOR_INFOBK
    RGB(0, 0, 0),       // 25 has no name
    RGB(0, 0, 128),     // COLOR_HOTLIGHT
    RGB(16, 132, 208),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192), // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),     // COLOR_MENUHILIGHT
    RGB(192, 192, 192), // COLOR_MENUBAR
};

// The work area leaves a 28-pixel task bar at the bottom of the 1280 x 1024 screen.
int Metric(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
        return 1280;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return 1024;
    case SM_CYFULLSCREEN:
        return 1024 - 28 - 19;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYCAPTION:
    case SM_CYMENU:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
    case SM_CMOUSEBUTTONS:
    case SM_NETWORK:
        return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXMIN:
    case SM_CXMINTRACK:
        return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
        return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
        return 18;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
        return 75;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXMINSPACING:
    case SM_CXMINIMIZED:
        return 160;
    case SM_CYMINSPACING:
    case SM_CYMINIMIZED:
        return 24;
    case SM_CYSMCAPTION:
        return 15;
    case SM_CXSMSIZE:
        return 12;
    case SM_CYSMSIZE:
        return 14;
    case SM_ARRANGE:
        return 8;
    case SM_CXMAXTRACK:
        return 1280 + 12;
    case SM_CYMAXTRACK:
        return 1024 + 12;
    case SM_CXMAXIMIZED:
        return 1280 + 8;
    case SM_CYMAXIMIZED:
        return 1024 - 28 + 8;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
        return 13;
    default:
        return 0;
    }
}

} // namespace

DWORD GetSysColor(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kSysColors))) return 0;
    return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kSysColors))) return nullptr;
    return gdi::SysColorBrush(index);
}

int GetSystemMetrics(int index) {
    if (index == SM_CXSCREEN || index == SM_CYSCREEN) {
        // The primary screen once the GUI runs (asked on its thread); the table's screen before.
        auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        if (app && QThread::currentThread() == app->thread() && app->primaryScreen()) {
            const QSize size = app->primaryScreen()->geometry().size();
            return index == SM_CXSCREEN ? size.width() : size.height();
        }
    }
    return Metric(index);
}

LONG GetDialogBaseUnits() {
    return (16 << 16) | 8;
}
