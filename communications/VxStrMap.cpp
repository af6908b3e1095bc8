#include "communications/VxStrMap.h"

#include <cstdint>
#include <limits>

constexpr VxMessageNumberLookupRecord VxMessageNumberLookup[VxMessageNumberLookupCount] = {
#define VX_CODE(code, name, text) {code, text},
#define VX_TEXT(code, text) {code, text},
#include "communications/VxMessages.def"
};

namespace {

constexpr int Magnitude(int code) {
    return code < 0 ? -code : code;
}

constexpr int ListedCount() {
    int n = 0;
#define VX_CODE(code, name, text) ++n;
#define VX_TEXT(code, text) ++n;
#include "communications/VxMessages.def"
    return n;
}

// The binary search finds nothing past the first out-of-order record.
constexpr bool StrictlyAscending() {
    for (int i = 1; i < VxMessageNumberLookupCount; ++i) {
        if (Magnitude(VxMessageNumberLookup[i - 1].Code) >= Magnitude(VxMessageNumberLookup[i].Code)) {
            return false;
        }
    }
    return true;
}

// Texts are short strings.
constexpr bool ShortTexts() {
    for (const auto& record : VxMessageNumberLookup) {
        if (record.Text.size() > 255) return false;
    }
    return true;
}

static_assert(ListedCount() == VxMessageNumberLookupCount);
static_assert(ShortTexts());
static_assert(StrictlyAscending());

} // namespace

std::string MessageNumberToString(int code) {
    // Wrapping a wider value to 16 bits would name some unrelated code's text.
    if (code < std::numeric_limits<std::int16_t>::min() || code > std::numeric_limits<std::int16_t>::max()) {
        return {};
    }
    const int wanted = Magnitude(code);
    int lower = 0;
    int upper = VxMessageNumberLookupCount - 1;
    while (lower <= upper) {
        const int sum = lower + upper;
        int probe = sum / 2;
        if (sum % 2 != 0 && probe % 2 != 0) ++probe; // a half rounds to the even neighbour
        const int found = Magnitude(VxMessageNumberLookup[probe].Code);
        if (found == wanted) return std::string(VxMessageNumberLookup[probe].Text);
        if (found > wanted) {
            upper = probe - 1;
        } else {
            lower = probe + 1;
        }
    }
    return {};
}
