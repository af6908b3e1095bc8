// libFuzzer target for the VT100 emulator over its parser and screen buffer: random bytes in
// random blocks, mixed with resizing, typed keys and the upper-half display switch. The cursor
// stays in the grid, every line attribute and blink run lies inside it, and nothing is touched
// outside it.
#include "communications/VXTrmEmu.h"
#include "communications/fuzz/CursorCheck.h"

#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A broken rule names itself before the run stops.
#define Check(ok)                                                                                            \
    do {                                                                                                     \
        if (!(ok)) {                                                                                         \
            std::fprintf(stderr, "broken: %s\n", #ok);                                                       \
            __builtin_trap();                                                                                \
        }                                                                                                    \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    auto byte = [&] { return pos < size ? data[pos++] : std::uint8_t(0); };
    // One emulator for the run (loading its maps takes longer than most inputs), brought back to
    // the same state before each input: out of VT52 mode and any sequence, reset, a short history
    // (clearing long ones would take most of the time), the history empty and a clean saved cursor.
    static TVxVT100Emulator emu(nullptr);
    TVxTerminalBuffer* b = emu.Buffer();
    emu.ProcessBlock("\033<\033c", 4, csPort);
    emu.SetDisplayUpperASCII(false);
    b->tbSetSVRowCount(40);
    b->tbSetRowCount(24);
    b->tbSetColCount(80);
    b->EraseAll();
    emu.ProcessBlock("\0337", 2, csPort);
    while (pos < size) {
        const std::uint8_t op = byte();
        try {
            if (op == 0xF0) {
                b->tbSetColCount(static_cast<int>(byte() % 200));
            } else if (op == 0xF1) {
                b->tbSetRowCount(static_cast<int>(byte() % 60));
            } else if (op == 0xF2) {
                b->tbSetSVRowCount(static_cast<int>(byte() % 120));
            } else if (op == 0xF3) {
                const std::uint8_t low = byte();
                WORD key = static_cast<WORD>(low | (byte() & 0x80 ? 0x8000 : 0));
                emu.KeyDown(key, TShiftState::FromBits(byte() & 7u));
            } else if (op == 0xF4) {
                emu.SetDisplayUpperASCII(!emu.DisplayUpperASCII());
            } else {
                const std::size_t n = std::min<std::size_t>(byte(), size - pos);
                emu.ProcessBlock(reinterpret_cast<const char*>(data + pos), static_cast<int>(n), csPort);
                pos += n;
            }
        } catch (const Exception&) {
            // Sizes below 2 are refused.
        }
        CheckCursorInGrid(b);
        emu.teGetNeedsUpdate();
    }
    // The blink runs follow the screen at the end of each block (painting clips them meanwhile).
    emu.ProcessBlock("", 0, csPort);
    for (int row = b->RowCount() - b->SVRowCount() - 1; row <= b->RowCount() + 1; ++row)
        Check(emu.LineAttr(row) <= ltDblWidth);
    for (const TVxBlinkRun& run : emu.BlinkRuns())
        Check(run.FirstCol >= 1 && run.FirstCol <= run.LastCol && run.LastCol <= b->ColCount());
    return 0;
}
