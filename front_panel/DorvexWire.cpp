#include "front_panel/DorvexWire.h"

#include "platform/rtl/Strings.h"

std::string ExtractTag(const std::string& Text, const std::string& Tag) {
    const int start = Pos("<" + Tag + ">", Text) + Length(Tag) + 2;
    const int end = Pos("</" + Tag + ">", Text);
    if (start > Length(Tag) + 2) return Copy(Text, start, end - start);
    return "0";
}

std::string ReplyBody(const std::string& Trimmed) {
    const int question = Pos("?", Trimmed);
    const int i = question > 0 ? question + 4 : 0;
    return Copy(Trimmed, i, Length(Trimmed) - i - 2);
}

std::string CutReply(const std::string& Packet) {
    return Trim(ReplyBody(Trim(Packet)));
}

std::string RevisionVersion(const std::string& Rev) {
    return Trim(Copy(Rev, Pos("Software", Rev) + 11, 8));
}

bool VersionSupported(const std::string& Version) {
    return CompareStr(Version, MinimumVersion) >= 0;
}
