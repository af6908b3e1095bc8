// The switcher's replies read as the panel reads them: the cut that SendAndWait makes of a reply
// packet, the tagged sections of a status reply, and the software version of a "Rev" reply.
#pragma once

#include <string>

// The first "<Tag>" ... "</Tag>" of Text and what lies between; "0" when the opening tag is missing,
// empty when the closing tag is missing or comes first. Case-sensitive; nesting is not followed.
std::string ExtractTag(const std::string& Text, const std::string& Tag);

// What SendAndWait keeps of a reply already trimmed: without a "?" everything but the last two
// characters (the line end and "#" of a plain reply); with one, what follows the "?" and the three
// characters after it (the echoed query's line ends), less the last three characters.
std::string ReplyBody(const std::string& Trimmed);
// SendAndWait's result for a reply packet: the body of the trimmed packet, trimmed.
std::string CutReply(const std::string& Packet);

// The software version of a "Rev" reply: eight characters starting eleven after the first
// "Software" (at position 11 without one), trimmed.
std::string RevisionVersion(const std::string& Rev);
// The oldest software the panel works with.
inline constexpr const char* MinimumVersion = "1.20.A";
// Byte order against MinimumVersion; a proper prefix of it is older.
bool VersionSupported(const std::string& Version);
