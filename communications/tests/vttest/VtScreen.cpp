#include "communications/tests/vttest/VtScreen.h"

#include "communications/VXTerm.h"
#include "communications/VXTrmEmu.h"
#include "communications/VXTrmMap.h"
#include "platform/gdi/FaceChar.h"

#include <vterm.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <map>
#include <sstream>
#include <utility>

namespace {

void AppendUtf8(std::string& Out, std::uint32_t C) {
    if (C < 0x80) {
        Out += static_cast<char>(C);
    } else if (C < 0x800) {
        Out += static_cast<char>(0xC0 | (C >> 6));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        Out += static_cast<char>(0xE0 | (C >> 12));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (C >> 18));
        Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    }
}

char AttrLetter(bool Bold, bool Underline, bool Blink, bool Reverse) {
    const int mask = (Bold ? 1 : 0) | (Underline ? 2 : 0) | (Blink ? 4 : 0) | (Reverse ? 8 : 0);
    return mask ? static_cast<char>('@' + mask) : '.';
}

// What the reference shows for a character of a designated set: asked of the reference itself.
std::uint32_t ReferenceGlyph(char Designator, unsigned char C) {
    static std::map<std::pair<char, unsigned char>, std::uint32_t> cache;
    const auto key = std::make_pair(Designator, C);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    VTerm* probe = vterm_new(2, 4);
    vterm_set_utf8(probe, 0);
    VTermScreen* screen = vterm_obtain_screen(probe);
    vterm_screen_reset(screen, 1);
    const std::string bytes = std::string("\033(") + Designator + static_cast<char>(C);
    vterm_input_write(probe, bytes.data(), bytes.size());
    VTermScreenCell cell{};
    vterm_screen_get_cell(screen, VTermPos{0, 0}, &cell);
    vterm_free(probe);
    return cache[key] = cell.chars[0] ? cell.chars[0] : ' ';
}

} // namespace

std::string TVtScreen::Difference(const TVtScreen& Other) const {
    std::ostringstream out;
    for (std::size_t r = 0; r < Text.size() && r < Other.Text.size(); ++r) {
        if (Text[r] != Other.Text[r])
            out << "row " << r + 1 << " text:\n  ours |" << Text[r] << "|\n  ref  |" << Other.Text[r] << "|\n";
        else if (Attrs[r] != Other.Attrs[r])
            out << "row " << r + 1 << " attributes:\n  ours |" << Attrs[r] << "|\n  ref  |" << Other.Attrs[r] << "|\n";
        if (out.tellp() > 0) return out.str();
    }
    if (Text.size() != Other.Text.size()) return "row counts differ";
    if (LineKinds != Other.LineKinds) return "line kinds: ours " + LineKinds + ", ref " + Other.LineKinds;
    if (CursorRow != Other.CursorRow || CursorCol != Other.CursorCol) {
        out << "cursor: ours " << CursorRow << ";" << CursorCol << ", ref " << Other.CursorRow << ";" << Other.CursorCol;
        return out.str();
    }
    return {};
}

std::string TVtScreen::Dump() const {
    std::string out;
    for (std::size_t r = 0; r < Text.size(); ++r) out += LineKinds.substr(r, 1) + "|" + Text[r] + "|\n";
    return out + "cursor " + std::to_string(CursorRow) + ";" + std::to_string(CursorCol) + "\n";
}

namespace {

// Graphics characters the OEM face has no glyph for: the character-set map draws the nearest one it
// has (a card suit for the diamond, arrows and triangles for the control pictures, the middle line
// for the scan lines, the plain signs for the slanted less and greater or equal, a crossed line for
// not equal), and a blank for "_" where the reference keeps the underscore. Each counts as alike
// only for its own character of a graphics set.
struct TStandIn {
    char Cell;
    std::uint32_t Reference, Drawn;
};
constexpr TStandIn kStandIns[] = {
    {'_', 0x005F, 0x0020}, {'`', 0x25C6, 0x2666}, {'b', 0x2409, 0x25BA}, {'c', 0x240C, 0x21A8},
    {'d', 0x240D, 0x25C4}, {'e', 0x240A, 0x25BC}, {'h', 0x2424, 0x2190}, {'i', 0x240B, 0x2193},
    {'o', 0x23BA, 0x2500}, {'p', 0x23BB, 0x2500}, {'r', 0x23BC, 0x2500}, {'s', 0x23BD, 0x2500},
    {'y', 0x2A7D, 0x2264}, {'z', 0x2A7E, 0x2265}, {'|', 0x2260, 0x256A},
};

bool IsStandIn(unsigned char Cell, std::uint32_t Reference, std::uint32_t Drawn) {
    return std::any_of(std::begin(kStandIns), std::end(kStandIns), [&](const TStandIn& s) {
        return static_cast<unsigned char>(s.Cell) == Cell && s.Reference == Reference && s.Drawn == Drawn;
    });
}

} // namespace

TVtScreen EmulatorScreen(TVxVT100Emulator& Emulator, int Rows, int Cols, int FirstRow, int LastRow) {
    TVxTerminalBuffer* b = Emulator.Buffer();
    TVxCharSetMapping* map = Emulator.CharSetMap();
    const std::string ownFace = Emulator.Terminal() ? Emulator.Terminal()->Font()->Name() : "Terminal";
    // What a cell draws: its set's draw script gives the font and glyph, the face shows the glyph
    // as a character. Looked up once per set and byte.
    constexpr std::uint32_t kUnknown = 0xFFFFFFFF;
    std::array<std::array<std::uint32_t, 256>, 5> drawn;
    for (auto& set : drawn) set.fill(kUnknown);
    auto drawnChar = [&](BYTE Set, unsigned char C) -> std::uint32_t {
        if (Set >= drawn.size()) return GdiFaceChar(ownFace, C);
        std::uint32_t& u = drawn[Set][C];
        if (u != kUnknown) return u;
        std::string font, glyph;
        map->GenerateDrawScript(TVxVT100Emulator::CharSetName(Set), std::string(1, static_cast<char>(C)));
        if (!map->GetNextDrawCommand(font, glyph) || glyph.size() != 1) return u = '?';
        while (map->GetNextDrawCommand(font, glyph)) {
        }
        return u = GdiFaceChar(font == VxDefaultFontName ? ownFace : font,
                               static_cast<unsigned char>(glyph[0]));
    };
    TVtScreen s;
    s.Text.reserve(static_cast<std::size_t>(Rows));
    s.Attrs.reserve(static_cast<std::size_t>(Rows));
    const int cols = std::min(Cols, b->ColCount());
    for (int row = 1; row <= Rows; ++row) {
        const auto* chars = static_cast<const unsigned char*>(b->GetLineCharPtr(row));
        const BYTE* sets = b->GetLineCharSetPtr(row);
        const BYTE* attrs = b->GetLineAttrPtr(row);
        std::string text, letters;
        const int read = row >= FirstRow && row <= LastRow ? cols : 0;
        for (int col = 0; col < read; ++col) {
            const unsigned char c = chars[col];
            std::uint32_t u = c ? drawnChar(sets[col], c) : ' ';
            if (sets[col] == TVxVT100Emulator::csLineDraw || sets[col] == TVxVT100Emulator::csROM2) {
                const std::uint32_t shown = ReferenceGlyph('0', c);
                if (IsStandIn(c, shown, u)) u = shown;
            }
            AppendUtf8(text, u);
            // The reference shows a reversed screen as reversed cells.
            const TVxTerminalCharAttrs a = ByteToCharAttrs(attrs[col]);
            letters += AttrLetter(a.Contains(tcaBold), a.Contains(tcaUnderline), a.Contains(tcaBlink),
                                  a.Contains(tcaReverse) != Emulator.RevScreenMode());
        }
        s.Text.push_back(text);
        s.Attrs.push_back(letters);
        switch (Emulator.LineAttr(row)) {
        case ltDblWidth:
            s.LineKinds += 'w';
            break;
        case ltDblHeightTop:
            s.LineKinds += 't';
            break;
        case ltDblHeightBottom:
            s.LineKinds += 'b';
            break;
        default:
            s.LineKinds += '-';
            break;
        }
    }
    s.CursorRow = b->UseAbsAddress() ? b->tbGetRow() : b->tbGetRow() + b->tbGetOriginRow() - 1;
    s.CursorCol = b->tbGetCol();
    return s;
}

namespace {

// What changed in the reference since it was last asked.
struct TChanges {
    bool Changed = true;
    int Top = 0, Bottom = 1 << 30; // rows with changed cells, 0-based, inclusive
};

int NoteDamage(VTermRect Rect, void* Changes) {
    TChanges& c = *static_cast<TChanges*>(Changes);
    const bool rows = c.Top <= c.Bottom;
    c.Top = rows ? std::min(c.Top, Rect.start_row) : Rect.start_row;
    c.Bottom = rows ? std::max(c.Bottom, Rect.end_row - 1) : Rect.end_row - 1;
    c.Changed = true;
    return 1;
}

int NoteCursor(VTermPos, VTermPos, int, void* Changes) {
    static_cast<TChanges*>(Changes)->Changed = true;
    return 1;
}

int NoteProperty(VTermProp, VTermValue*, void* Changes) {
    // A reversed screen, for one, changes every cell.
    TChanges& c = *static_cast<TChanges*>(Changes);
    c.Changed = true;
    c.Top = 0;
    c.Bottom = 1 << 30;
    return 1;
}

const VTermScreenCallbacks kNoteChanges = {NoteDamage, nullptr, NoteCursor, NoteProperty,
                                           nullptr,    nullptr, nullptr,    nullptr};

} // namespace

struct TReferenceTerminal::TImpl {
    VTerm* Vt;
    VTermScreen* Screen;
    int Rows, Cols;
    bool VT52 = false;
    std::string Pending; // a VT52 sequence begun
    std::string Tail;    // the last bytes in ANSI mode, where a mode change may be under way
    TChanges Changes;
};

TReferenceTerminal::TReferenceTerminal(int Rows, int Cols) : FImpl(new TImpl) {
    FImpl->Vt = vterm_new(Rows, Cols);
    FImpl->Rows = Rows;
    FImpl->Cols = Cols;
    vterm_set_utf8(FImpl->Vt, 0);
    FImpl->Screen = vterm_obtain_screen(FImpl->Vt);
    vterm_screen_set_callbacks(FImpl->Screen, &kNoteChanges, &FImpl->Changes);
    vterm_screen_reset(FImpl->Screen, 1);
}

bool TReferenceTerminal::TakeChanged(int& FirstRow, int& LastRow) {
    TChanges& c = FImpl->Changes;
    FirstRow = c.Top + 1;
    LastRow = c.Bottom + 1;
    c.Top = 1 << 30;
    c.Bottom = -1;
    return std::exchange(c.Changed, false);
}

TReferenceTerminal::~TReferenceTerminal() {
    vterm_free(FImpl->Vt);
}

// The library keeps its size on a column-mode change; a VT100 takes the new width, resets the
// margins, clears the screen and homes the cursor, and so does the reference here. The library
// has no VT52 mode: in it, the VT52 sequences are handed over as their ANSI equivalents.
void TReferenceTerminal::Feed(const std::string& Bytes) {
    std::string out;
    auto flush = [&] {
        if (!out.empty()) vterm_input_write(FImpl->Vt, out.data(), out.size());
        out.clear();
    };
    for (const char c : Bytes) {
        TImpl& m = *FImpl;
        if (m.VT52) {
            if (m.Pending.empty() && c != '\033') {
                out += c;
                continue;
            }
            m.Pending += c;
            if (m.Pending.size() < 2) continue;
            const char f = m.Pending[1];
            if (f == 'Y' && m.Pending.size() < 4) continue;
            switch (f) {
            case 'A': case 'B': case 'C': case 'D': case 'H': case 'J': case 'K':
                out += std::string("\033[") + f;
                break;
            case 'I':
                out += "\033M";
                break;
            case 'F':
                out += "\033(0";
                break;
            case 'G':
                out += "\033(B";
                break;
            case 'Y':
                out += "\033[" + std::to_string(m.Pending[2] - 31) + ";" + std::to_string(m.Pending[3] - 31) + "H";
                break;
            case '<':
                m.VT52 = false;
                break;
            default:
                break; // keypad modes and the identify request change no screen
            }
            m.Pending.clear();
            continue;
        }
        out += c;
        // The sequence may have begun in an earlier call: it is looked for in the bytes kept.
        m.Tail += c;
        if (m.Tail.size() > 5) m.Tail.erase(0, m.Tail.size() - 5);
        for (const char* mode : {"\033[?3h", "\033[?3l", "\033[?2l"}) {
            const std::size_t n = std::strlen(mode);
            if (m.Tail.size() < n || m.Tail.compare(m.Tail.size() - n, n, mode) != 0) continue;
            flush();
            m.Tail.clear();
            if (mode[3] == '2') {
                m.VT52 = true;
            } else {
                m.Cols = mode[4] == 'h' ? 132 : 80;
                vterm_set_size(m.Vt, m.Rows, m.Cols);
                out = "\033[r\033[2J\033[H";
                flush();
            }
        }
    }
    flush();
}

TVtScreen TReferenceTerminal::Screen(int FirstRow, int LastRow) const {
    TVtScreen s;
    s.Text.reserve(static_cast<std::size_t>(FImpl->Rows));
    s.Attrs.reserve(static_cast<std::size_t>(FImpl->Rows));
    int rows = 0, cols = 0;
    vterm_get_size(FImpl->Vt, &rows, &cols);
    VTermState* state = vterm_obtain_state(FImpl->Vt);
    for (int row = 0; row < FImpl->Rows; ++row) {
        std::string text, letters;
        char kind = '-';
        if (row < rows) {
            const VTermLineInfo* line = vterm_state_get_lineinfo(state, row);
            kind = line->doubleheight == 1   ? 't'
                   : line->doubleheight == 2 ? 'b'
                   : line->doublewidth       ? 'w'
                                             : '-';
        }
        const int read = row + 1 >= FirstRow && row + 1 <= LastRow ? std::min(cols, FImpl->Cols) : 0;
        for (int col = 0; col < read; ++col) {
            VTermScreenCell cell{};
            if (row >= rows || !vterm_screen_get_cell(FImpl->Screen, VTermPos{row, col}, &cell)) {
                text += ' ';
                letters += '.';
                continue;
            }
            AppendUtf8(text, cell.chars[0] ? cell.chars[0] : ' ');
            letters +=
                AttrLetter(cell.attrs.bold, cell.attrs.underline != 0, cell.attrs.blink, cell.attrs.reverse);
        }
        s.Text.push_back(text);
        s.Attrs.push_back(letters);
        s.LineKinds += kind;
    }
    VTermPos pos{};
    vterm_state_get_cursorpos(state, &pos);
    s.CursorRow = pos.row + 1;
    s.CursorCol = pos.col + 1;
    return s;
}

std::string FormatRecording(const std::vector<TVtRecordedScreen>& Screens) {
    std::string out = "VTREC1\n";
    for (const TVtRecordedScreen& s : Screens)
        out += "screen " + s.Name + " " + std::to_string(s.Bytes.size()) + "\n" + s.Bytes + "\n";
    return out;
}

bool ParseRecording(const std::string& Text, std::vector<TVtRecordedScreen>& Screens) {
    Screens.clear();
    if (Text.rfind("VTREC1\n", 0) != 0) return false;
    std::size_t at = 7;
    while (at < Text.size()) {
        const std::size_t eol = Text.find('\n', at);
        if (eol == std::string::npos) return false;
        std::istringstream header(Text.substr(at, eol - at));
        std::string word, name;
        std::size_t length = 0;
        if (!(header >> word >> name >> length) || word != "screen") return false;
        if (eol + 1 + length + 1 > Text.size() || Text[eol + 1 + length] != '\n') return false;
        Screens.push_back({name, Text.substr(eol + 1, length)});
        at = eol + 1 + length + 1;
    }
    return true;
}

const std::vector<TVtAllowedDifference>& AllowedDifferences() {
    static const std::vector<TVtAllowedDifference> list = {
        {"cursor-3", "a column-mode change homes the cursor and keeps the screen; a VT100 clears it"},
        {"cursor-4", "a column-mode change homes the cursor and keeps the screen; a VT100 clears it"},
        {"screen-15",
         "restoring the cursor brings back the character set in use, as a VT100 does (vttest asks for "
         "ten line-drawing characters); the reference library shows the last five as the letter q"},
        {"charsets-1", "character set 2 (the alternate ROM's graphics) draws as line drawing; the reference "
                       "library has no alternate ROM and shows plain text"},
        {"double-5", "line attributes change only how a row is drawn: on a double-width row the cursor keeps "
                     "the row's full width, so a tab passes column 40 and the frame's right edge lies beyond "
                     "the screen; a VT100 stops at column 40"},
        {"double-6",
         "as double-5: the frame's right edge was written beyond column 40 of its double-width rows"},
        {"cursor-1",
         "resetting column mode in 80 columns changes nothing; a VT100 clears the screen and homes the "
         "cursor, until vttest fills the screen",
         vsInPassing},
        {"cursor-2", "as cursor-3, from the column-mode change until vttest fills the screen", vsInPassing},
        {"screen-3", "as cursor-3, from the column-mode change until vttest clears the screen", vsInPassing},
        {"screen-4", "as cursor-3, from the column-mode change until vttest clears the screen", vsInPassing},
        {"screen-5", "as cursor-3, from the column-mode change until vttest clears the screen", vsInPassing},
        {"screen-6", "as cursor-3, from the column-mode change until vttest clears the screen", vsInPassing},
        {"vim/start",
         "vim probes the terminal with text it overwrites at once: the byte 0xBD draws as line "
         "drawing (the upper half is not shown as such), where the reference shows its Latin-1 "
         "character; and the parser knows no device-control string, so the text of ESC P z z ESC \\ "
         "shows where the reference swallows it",
         vsInPassing},
        {"vertical-tab",
         "VT (0x0B) feeds a line as LF does, as a VT100 and the reference do: a vertical tab "
         "to the next stop, with none set, would jump to the region's bottom and break vttest's "
         "screen of control characters inside sequences",
         vsNever},
    };
    return list;
}

const char* AllowedDifference(const std::string& Screen, bool ByteByByte) {
    for (const TVtAllowedDifference& d : AllowedDifferences())
        if ((d.Seen == vsAfterScreen || (ByteByByte && d.Seen == vsInPassing)) && Screen == d.Screen)
            return d.Reason;
    return nullptr;
}

std::vector<TVtDivergence> CompareByteByByte(const std::vector<TVtRecordedScreen>& Screens,
                                             const std::string& Prefix) {
    constexpr int rows = 24, cols = 132, all = 1 << 30;
    std::vector<TVtDivergence> found;
    TVxVT100Emulator emu(nullptr);
    TVxTerminalBuffer* b = emu.Buffer();
    TReferenceTerminal ref(rows, 80);
    TVtScreen ours = EmulatorScreen(emu, rows, cols), theirs = ref.Screen();
    // Both screens are kept and only the rows that may have changed are read again after a byte;
    // at the end of each step they are read whole.
    auto refresh = [&](TVtScreen& Kept, const TVtScreen& Fresh, int First, int Last) {
        for (int row = std::max(First, 1); row <= std::min(Last, rows); ++row) {
            Kept.Text[row - 1] = Fresh.Text[row - 1];
            Kept.Attrs[row - 1] = Fresh.Attrs[row - 1];
        }
        Kept.LineKinds = Fresh.LineKinds;
        Kept.CursorRow = Fresh.CursorRow;
        Kept.CursorCol = Fresh.CursorCol;
    };
    bool apart = false;
    bool reversed = false;
    std::string kinds;
    for (const TVtRecordedScreen& s : Screens) {
        for (std::size_t i = 0; i < s.Bytes.size(); ++i) {
            emu.ProcessBlock(&s.Bytes[i], 1, csPort);
            ref.Feed(s.Bytes.substr(i, 1));
            const bool whole = i + 1 == s.Bytes.size();
            TRect r;
            bool cells = b->GetInvalidRect(r);
            int first = r.Top, last = r.Bottom;
            if (whole || reversed != emu.RevScreenMode()) first = 1, last = all, cells = true;
            reversed = emu.RevScreenMode();
            // Line attributes change without a changed cell.
            std::string lines(rows, '0');
            for (int row = 1; row <= rows; ++row) lines[row - 1] = static_cast<char>('0' + emu.LineAttr(row));
            bool changed = b->HasCursorMoved() || cells || lines != kinds;
            kinds = lines;
            if (changed)
                refresh(ours, EmulatorScreen(emu, rows, cols, cells ? first : 1, cells ? last : 0),
                        cells ? first : 1, cells ? last : 0);
            int refFirst = 1, refLast = 0;
            if (ref.TakeChanged(refFirst, refLast) || whole) {
                if (whole) refFirst = 1, refLast = all;
                refresh(theirs, ref.Screen(refFirst, refLast), refFirst, refLast);
                changed = true;
            }
            if (!changed) continue;
            const std::string diff = ours.Difference(theirs);
            if (!diff.empty() && !apart) found.push_back({Prefix + s.Name, i, diff, ours.Dump()});
            apart = !diff.empty();
        }
    }
    return found;
}
