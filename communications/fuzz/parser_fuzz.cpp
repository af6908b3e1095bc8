// libFuzzer target for the VT100 escape-sequence parser: any byte stream keeps it inside its bounds,
// and every result describes itself consistently.
#include "communications/VXTrmPsr.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TVxVT100Parser parser;
    for (std::size_t i = 0; i < size; ++i) {
        const TVxParserCmdType result = parser.ProcessChar(static_cast<char>(data[i]));
        const int count = parser.ArgumentCount();
        if (count < 0 || count > TVxVT100Parser::MaxArguments) std::abort();
        if (parser.tpGetSequence().size() > TVxVT100Parser::MaxSequenceLength) std::abort();
        if (result == pctChar && (data[i] < 32 || data[i] > 126)) std::abort();
        if (result == pctComplete && parser.Command() != 0 && parser.tpGetSequence().empty()) std::abort();
        for (int a = -1; a <= count; ++a) parser.tpGetArgument(a);
    }
    return 0;
}
