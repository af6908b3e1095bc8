// A script's bytes split into command lines, and every operand sliced from each line.
#include "loader/ScriptText.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Slice(const std::string& line) {
    if (line.size() > TScriptLineReader::MaxLength || line.empty() || line[0] != '_') __builtin_trap();
    if (auto q = QuotedOperand(line)) {
        if (q->size() > line.size()) __builtin_trap();
        ReplaceCaretM(*q, "\r\n");
    }
    if (auto w = WordOperand(line); w && w->size() > line.size()) __builtin_trap();
    if (auto tr = TestOperands(line)) {
        ReplaceEscapes(tr->first, true);
        ParseVersion(tr->second);
    }
    ParseVersion(line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TScriptLineReader reader;
    for (std::size_t i = 0; i < size; ++i)
        if (reader.Feed(static_cast<char>(data[i]))) Slice(reader.Line());
    if (reader.Finish()) Slice(reader.Line());
    return 0;
}
