#include "platform/shell/Shell.h"

#include "platform/ui/Win1252.h"

#include <QProcess>
#include <QStringList>

#include <strings.h>

HINSTANCE ShellExecuteA(HWND, const char* operation, const char* file, const char*, const char*, int) {
    if (!file || !*file) return SE_ERR_FNF;
    if (operation && *operation && strcasecmp(operation, "open") != 0) return SE_ERR_NOASSOC;
    // The address is one argument of xdg-open, whatever blanks, quotes or shell characters it holds.
    const QString target = Win1252ToQString(file);
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{target})) return SE_ERR_NOASSOC;
    return 33;
}
