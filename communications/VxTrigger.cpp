#include "communications/VxTrigger.h"

#include "platform/rtl/Strings.h"

#include <algorithm>
#include <array>
#include <iterator>

char TriggerUpCase(char C) {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const std::string upper = AnsiUpperCase(std::string(1, static_cast<char>(b)));
            t[static_cast<std::size_t>(b)] = upper.size() == 1 ? upper[0] : static_cast<char>(b);
        }
        return t;
    }();
    return table[static_cast<unsigned char>(C)];
}

bool TDataTrigger::Match(char C) {
    if (Len == 0 || Len > MaxTrigData) return false;
    if (IgnoreCase) C = TriggerUpCase(C);
    bool matched = false;
    bool started = false; // at most one new candidate per byte
    bool process = true;
    for (DWORD k = 0; k < Len; ++k) {
        if (process) {
            if (Data[Slots[k]] == C) {
                if (Slots[k] == Len - 1) {
                    // A completed string clears every candidate, the completing one's followers
                    // included: only the slots after this one may still start afresh.
                    matched = true;
                    std::fill(std::begin(Slots), std::end(Slots), 0);
                } else {
                    ++Slots[k];
                }
            } else if (Data[0] == C) {
                started = true;
                Slots[k] = 1;
            } else {
                Slots[k] = 0;
            }
        }
        if (Slots[k] == 1) started = true;
        if (k == Len - 1)
            process = false;
        else if (started)
            process = Slots[k + 1] != 0;
        else
            process = Slots[k + 1] != 0 || Data[0] == C;
    }
    return matched;
}

void TDataTrigger::Reset() {
    std::fill(std::begin(Slots), std::end(Slots), 0);
    Matched = false;
}
