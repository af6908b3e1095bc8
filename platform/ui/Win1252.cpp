#include "platform/ui/Win1252.h"

#include "platform/rtl/Win1252.h"

QString Win1252ToQString(const std::string& text) {
    const std::u16string u = Win1252ToUtf16(text);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string QStringToWin1252(const QString& text) {
    return Utf16ToWin1252(text.toStdU16String());
}
