// libFuzzer target for the TTY emulator over its screen buffer: random bytes, some passed through an
// OnProcessChar handler that adds commands with random parameters, mixed with resizing. The cursor
// stays in the grid and nothing is touched outside it.
#include "communications/VXTrmEmu.h"
#include "communications/fuzz/CursorCheck.h"

#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct Fuzz {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    std::uint8_t Byte() { return pos < size ? data[pos++] : 0; }

    // Each byte may become a command with arguments, some named and some not.
    void OnChar(TObject*, char c, std::string& replace, TVxEmuCommandList* commands, TVxCharSource) {
        if ((static_cast<unsigned char>(c) & 7) != 0) return;
        auto command = static_cast<TVxEmuCommand>(Byte() % (ecCursorBlock + 1));
        if (command == ecBell) command = ecNone; // the beep needs a GUI

        TVxEmuCommandListItem* item = commands->AddCommand(command);
        static const char* names[] = {"Row",    "Col",  "Count", "Top",    "Bottom",
                                      "Scroll", "Wrap", "Type",  "String", ""};
        for (int n = Byte() % 4; n > 0; --n) {
            const char* name = names[Byte() % 10];
            item->AddNamedStringArg(name, std::to_string(static_cast<int>(Byte()) - 100));
        }
        if (Byte() & 1) replace.clear();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz f{data, size};
    TVxTTYEmulator emu(nullptr);
    TVxTerminalBuffer* b = emu.Buffer();
    if (f.Byte() & 1) emu.OnProcessChar = TVxOnProcessChar::Bind<&Fuzz::OnChar>(&f);
    while (f.pos < f.size) {
        const std::uint8_t op = f.Byte();
        try {
            if (op == 0xF0) {
                b->tbSetColCount(static_cast<int>(f.Byte() % 200));
            } else if (op == 0xF1) {
                b->tbSetRowCount(static_cast<int>(f.Byte() % 60));
            } else if (op == 0xF2) {
                b->tbSetSVRowCount(static_cast<int>(f.Byte() % 120));
            } else {
                const std::size_t n = std::min<std::size_t>(f.Byte(), f.size - f.pos);
                emu.ProcessBlock(reinterpret_cast<const char*>(f.data + f.pos), static_cast<int>(n), csPort);
                f.pos += n;
            }
        } catch (const Exception&) {
            // Sizes below 2 are refused.
        }
        CheckCursorInGrid(b);
        emu.teGetNeedsUpdate();
    }
    return 0;
}
