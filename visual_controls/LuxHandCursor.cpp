#include "visual_controls/LuxHandCursor.h"

#include <array>
#include <cstdint>

namespace {

// '#' black, 'o' white, anything else transparent.
constexpr const char* kHand[32] = {
    "      ##                        ",
    "     #oo#                       ",
    "     #oo#                       ",
    "     #oo#                       ",
    "     #oo#                       ",
    "     #oo###                     ",
    "     #oo#oo###                  ",
    "     #oo#oo#oo##                ",
    "  ## #oo#oo#oo#o#               ",
    " #oo##oo#oo#oo#oo#              ",
    " #ooo#ooooooooooo#              ",
    "  #oo#ooooooooooo#              ",
    "   #o#ooooooooooo#              ",
    "   #oooooooooooo#               ",
    "    #ooooooooooo#               ",
    "    #oooooooooo#                ",
    "     #ooooooooo#                ",
    "     #ooooooooo#                ",
    "      #ooooooo#                 ",
    "      #ooooooo#                 ",
    "      #########                 ",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
};

} // namespace

HCURSOR LuxCreateHandCursor() {
    std::array<std::uint8_t, 128> andPlane{};
    std::array<std::uint8_t, 128> xorPlane{};
    andPlane.fill(0xFF);
    for (int y = 0; y < 32; ++y) {
        const char* row = kHand[y];
        for (int x = 0; x < 32 && row[x]; ++x) {
            if (row[x] != '#' && row[x] != 'o') continue;
            const int byte = y * 4 + x / 8;
            const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
            andPlane[static_cast<std::size_t>(byte)] &= static_cast<std::uint8_t>(~bit);
            if (row[x] == 'o') xorPlane[static_cast<std::size_t>(byte)] |= bit;
        }
    }
    return CreateCursor(0, 6, 0, 32, 32, andPlane.data(), xorPlane.data());
}
