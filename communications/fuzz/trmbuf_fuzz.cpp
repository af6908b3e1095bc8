// libFuzzer target for the terminal's screen buffer: random sequences of its operations, resizing
// included, with arguments far outside the grid. Every cell stays addressable, the cursor stays in
// the grid and nothing is touched outside it.
#include "communications/VXTrmBuf.h"

#include "platform/rtl/Exceptions.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return pos_ < size_; }
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // Mostly small values around the grid, sometimes the extremes.
    int Int() {
        switch (Byte() % 8) {
        case 0:
            return INT_MAX;
        case 1:
            return INT_MIN;
        case 2:
            return -static_cast<int>(Byte());
        default: {
            const int low = Byte();
            return low | (static_cast<int>(Byte() & 1) << 8);
        }
        }
    }
    // Sizes kept small enough for the fuzzer to run quickly.
    int Size() { return static_cast<int>(Byte() % 70) - 2; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckInvariants(TVxTerminalBuffer& b) {
    const int historyTop = b.RowCount() - b.SVRowCount() + 1;
    const bool abs = b.UseAbsAddress();
    b.SetUseAbsAddress(true);
    Check(b.tbGetRow() >= historyTop && b.tbGetRow() <= b.RowCount());
    Check(b.tbGetCol() >= 1 && b.tbGetCol() <= b.ColCount());
    b.SetUseAbsAddress(abs);
    Check(b.RowCount() >= 2 && b.RowCount() <= b.SVRowCount());
    // Touch every cell of the first, last and cursor rows.
    for (const int row : {historyTop, b.RowCount(), 1}) {
        const int cells = b.ColCount();
        const std::size_t charSize = b.UseWideChars() ? 2 : 1;
        volatile unsigned sum = 0;
        const auto* chars = static_cast<const unsigned char*>(b.GetLineCharPtr(row));
        Check(chars != nullptr);
        for (std::size_t i = 0; i < static_cast<std::size_t>(cells) * charSize; ++i) sum = sum + chars[i];
        const TColor* fore = b.GetLineForeColorPtr(row);
        const TColor* back = b.GetLineBackColorPtr(row);
        const BYTE* attrs = b.GetLineAttrPtr(row);
        const BYTE* sets = b.GetLineCharSetPtr(row);
        for (int i = 0; i < cells; ++i)
            sum = sum + static_cast<unsigned>(fore[i] ^ back[i]) + attrs[i] + sets[i];
    }
    Check(b.GetLineCharPtr(historyTop - 1) == nullptr);
    Check(b.GetLineCharPtr(b.RowCount() + 1) == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    TVxTerminalBuffer b((in.Byte() & 1) != 0);
    while (in.More()) {
        try {
            switch (in.Byte() % 48) {
            case 0:
                b.WriteChar(static_cast<char>(in.Byte()));
                break;
            case 1:
                b.WriteString("0123456789abcdefghijklmnopqrstuvwxyz");
                break;
            case 2: {
                const int row = in.Int();
                b.SetCursorPosition(row, in.Int());
                break;
            }
            case 3:
                b.tbSetCol(in.Int());
                break;
            case 4:
                b.tbSetRow(in.Int());
                break;
            case 5:
                b.MoveCursorUp(in.Byte() & 1);
                break;
            case 6:
                b.MoveCursorDown(in.Byte() & 1);
                break;
            case 7: {
                const bool first = in.Byte() & 1;
                b.MoveCursorLeft(first, in.Byte() & 1);
                break;
            }
            case 8: {
                const bool first = in.Byte() & 1;
                b.MoveCursorRight(first, in.Byte() & 1);
                break;
            }
            case 9:
                b.DoBackspace();
                break;
            case 10:
                b.DoCarriageReturn();
                break;
            case 11:
                b.DoLineFeed();
                break;
            case 12:
                b.DoHorzTab();
                break;
            case 13:
                b.DoBackHorzTab();
                break;
            case 14:
                b.DoVertTab();
                break;
            case 15:
                b.DoBackVertTab();
                break;
            case 16:
                b.InsertChars(in.Int());
                break;
            case 17:
                b.DeleteChars(in.Int());
                break;
            case 18:
                b.EraseChars(in.Int());
                break;
            case 19:
                b.InsertLines(in.Int());
                break;
            case 20:
                b.DeleteLines(in.Int());
                break;
            case 21:
                b.EraseAll();
                break;
            case 22:
                b.EraseScreen();
                break;
            case 23:
                b.EraseLine();
                break;
            case 24:
                b.EraseToEOL();
                break;
            case 25:
                b.EraseFromBOL();
                break;
            case 26:
                b.EraseToEOW();
                break;
            case 27:
                b.EraseFromBOW();
                break;
            case 28:
                b.Reset();
                break;
            case 29:
                b.SetHorzTabStop();
                break;
            case 30:
                b.ClearHorzTabStop();
                break;
            case 31:
                b.SetVertTabStop();
                break;
            case 32:
                b.ClearVertTabStop();
                break;
            case 33:
                b.ClearAllHorzTabStops();
                b.ClearAllVertTabStops();
                break;
            case 34:
                b.SetCharAttrs(ByteToCharAttrs(in.Byte()));
                break;
            case 35:
                b.tbSetForeColor(in.Int());
                b.tbSetBackColor(in.Int());
                break;
            case 36:
                b.tbSetCharSet(in.Byte());
                break;
            case 37:
                b.tbSetDefBackColor(in.Int());
                b.tbSetDefForeColor(in.Int());
                break;
            case 38:
                b.tbSetDefAnsiChar(static_cast<char>(in.Byte()));
                break;
            case 39:
                b.tbSetColCount(in.Size() * 3);
                break;
            case 40:
                b.tbSetRowCount(in.Size());
                break;
            case 41:
                b.tbSetSVRowCount(in.Size() * 2);
                break;
            case 42: {
                const int top = in.Int();
                b.SetScrollRegion(top, in.Int());
                break;
            }
            case 43:
                b.tbSetUseScrollRegion(in.Byte() & 1);
                break;
            case 44:
                b.SetUseAbsAddress(in.Byte() & 1);
                break;
            case 45: {
                const std::uint8_t modes = in.Byte();
                b.SetUseAutoWrap(modes & 1);
                b.SetUseAutoWrapDelay(modes & 2);
                b.SetUseInsertMode(modes & 4);
                b.SetUseNewLineMode(modes & 8);
                break;
            }
            case 46: {
                TRect r;
                while (b.GetInvalidRect(r)) Check(r.Left <= r.Right && r.Top <= r.Bottom);
                break;
            }
            default:
                b.HasCursorMoved();
                break;
            }
        } catch (const Exception&) {
            // Only the size setters raise, for counts below 2.
        }
        CheckInvariants(b);
    }
    return 0;
}
