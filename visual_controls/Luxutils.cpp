#include "visual_controls/Luxutils.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/IniFiles.h"
#include "platform/ui/Registry.h"
#include "platform/ui/SystemMenu.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxstrings.h"
#include "visual_controls/luxsysin.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

void LuxParseToStrList(const std::string& Text, char Delimiter, TStringList* Strings) {
    if (!Strings || Text.empty()) return;
    Strings->Clear();
    std::size_t start = 0;
    while (start < Text.size()) {
        std::size_t end = Text.find(Delimiter, start);
        if (end == std::string::npos) end = Text.size();
        Strings->Add(Text.substr(start, end - start));
        start = end + 1;
    }
}

std::string LuxFontToString(TFont* Font) {
    const TFontStyles s = Font->Style();
    const std::string fields[] = {Font->Name(),
                                  IntToStr(Font->Size()),
                                  ColorToString(Font->Color()),
                                  s.Contains(fsBold) ? "1" : "0",
                                  s.Contains(fsItalic) ? "1" : "0",
                                  s.Contains(fsUnderline) ? "1" : "0",
                                  s.Contains(fsStrikeOut) ? "1" : "0"};
    return LuxCodeString(fields, IDS_DEFAULTDELIMITER);
}

void LuxStringToFont(const std::string& Text, TFont* Font) {
    if (!Font || LuxGetCodedCount(Text, IDS_DEFAULTDELIMITER) != 7) return;
    auto field = [&](int i) { return LuxGetCodedString(Text, IDS_DEFAULTDELIMITER, i); };
    // Everything is read first, so that a bad field leaves the font as it was.
    const std::string name = field(0);
    const int size = StrToIntDef(field(1), 10);
    const TColor color = StringToColor(field(2));
    TFontStyles style;
    const TFontStyle styles[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4; ++i)
        if (StrToInt(field(3 + i)) != 0) style.Include(styles[i]);
    Font->SetName(name);
    Font->SetSize(size);
    Font->SetColor(color);
    Font->SetStyle(style);
}

std::string LuxPointToString(const TPoint& P) {
    return Format("[%d" + std::string(1, IDS_DEFAULTDELIMITER) + "%d]", {P.X, P.Y});
}

TPoint LuxStringToPoint(const std::string& Text) {
    TPoint p(0, 0);
    const int at = Pos(std::string(1, IDS_DEFAULTDELIMITER), Text);
    if (at <= 1 || at >= Length(Text)) return p;
    auto number = [](std::string s) {
        s = Trim(s);
        if (!s.empty() && s.front() == '[') s.erase(0, 1);
        if (!s.empty() && s.back() == ']') s.pop_back();
        return StrToIntDef(Trim(s), 0);
    };
    p.X = number(Copy(Text, 1, at - 1));
    p.Y = number(Copy(Text, at + 1, Length(Text) - at));
    return p;
}

std::string LuxRectToString(const TRect& R) {
    const int values[] = {R.Left, R.Top, R.Right, R.Bottom};
    return LuxCodeInt(values, IDS_DEFAULTDELIMITER);
}

TRect LuxStringToRect(const std::string& Text) {
    if (LuxGetCodedCount(Text, IDS_DEFAULTDELIMITER) != 4) return TRect();
    auto field = [&](int i) { return StrToIntDef(Trim(LuxGetCodedString(Text, IDS_DEFAULTDELIMITER, i)), 0); };
    return TRect(field(0), field(1), field(2), field(3));
}

void LuxGetDivider(TStringList* List, int N) {
    if (!List) return;
    List->Clear();
    if (N <= 1) return;
    // Sorted as numbers: as text, 12 would come before 2.
    for (int d = 1; d <= N; ++d)
        if (N % d == 0) List->Add(IntToStr(d));
}

bool LuxIsChild(TControl* Control, TControl* Parent) {
    for (TControl* c = Control; c; c = c->Parent())
        if (c == Parent) return true;
    return false;
}

void LuxActivatePrevInstance() {
    if (!LuxApplication || !LuxApplication->PrevInstance() || !Application) return;
    const std::string title = Application->Title();
    SetWindowText(Application->Handle(), ""); // so that this run does not find itself
    const HWND wnd = FindWindow("TApplication", title.c_str());
    if (wnd == 0) return;
    if (IsIconic(wnd))
        ShowWindow(wnd, SW_RESTORE);
    else
        SetForegroundWindow(wnd);
}

void LuxWait(DWORD Milliseconds) {
    if (Milliseconds == 0) return;
    const std::uint64_t start = MonotonicMs();
    while (MonotonicMs() - start <= Milliseconds && !(Application && Application->Terminated())) {
        if (Application) Application->ProcessMessages();
        WaitMessageTimeout(1);
    }
}

void LuxCenterForm(TForm* Form) {
    if (!Form) return;
    Form->SetBounds((Screen->Width() - Form->Width()) / 2, (Screen->Height() - Form->Height()) / 2, Form->Width(),
                    Form->Height());
}

void LuxCenterWindow(HWND Wnd, bool Upper) {
    RECT r{};
    if (!GetWindowRect(Wnd, &r)) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x = (sw - w) / 2;
    int y = Upper ? (sh - h) / 3 : (sh - h) / 2;
    x = std::max(0, std::min(x, sw - w));
    y = std::max(0, std::min(y, sh - h));
    SetWindowPos(Wnd, 0, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Placement ------------------------------------------------------------------------------------

int LuxCenterChild(TForm* Parent, TForm* Child, bool Modal) {
    if (!Parent || !Child) return 0;
    Child->SetPosition(poDefault);
    int x = Parent->Left() + (Parent->Width() - Child->Width()) / 2;
    if (x + Child->Width() > Screen->Width()) x = Screen->Width() - Child->Width();
    int y = Parent->Top() + (Parent->Height() - Child->Height()) / 2;
    if (y + Child->Height() > Screen->Height()) y = Screen->Height() - Child->Height();
    Child->SetBounds(std::max(x, 0), std::max(y, 0), Child->Width(), Child->Height());
    return Modal ? Child->ShowModal() : 0;
}

void LuxCenterChildWindow(HWND Parent, HWND Child, bool) {
    RECT p{}, c{};
    if (!GetWindowRect(Parent, &p) || !GetWindowRect(Child, &c)) return;
    const int w = c.right - c.left, h = c.bottom - c.top;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x = p.left + ((p.right - p.left) - w) / 2;
    int y = p.top + ((p.bottom - p.top) - h) / 2;
    if (x + w > sw) x = sw - w;
    if (y + h > sh) y = sh - h;
    SetWindowPos(Child, 0, x, std::max(y, 0), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LuxPositionWindow(HWND Wnd, const TRect& R, TLuxDlgPosition Position, bool) {
    RECT wr{};
    if (!GetWindowRect(Wnd, &wr)) return;
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    int x = R.Left, y = R.Top;
    switch (Position) {
    case bpTopCenter:
    case bpCenter:
    case bpBottomCenter:
        x = R.Left + (R.Width() - w) / 2;
        break;
    case bpTopRight:
    case bpCenterRight:
    case bpBottomRight:
        x = R.Right - w;
        break;
    default:
        break;
    }
    switch (Position) {
    case bpCenterLeft:
    case bpCenter:
    case bpCenterRight:
        y = R.Top + (R.Height() - h) / 2;
        break;
    case bpBottomLeft:
    case bpBottomCenter:
    case bpBottomRight:
        y = R.Bottom - h;
        break;
    default:
        break;
    }
    if (y + h > GetSystemMetrics(SM_CYSCREEN)) y = R.Bottom - h;
    if (x + w > GetSystemMetrics(SM_CXSCREEN)) x = R.Right - w;
    SetWindowPos(Wnd, 0, std::max(x, 0), std::max(y, 0), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TRect LuxDlgGetTargetRect(TLuxDlgPosRel PosRel) {
    TCustomForm* form = nullptr;
    switch (PosRel) {
    case brScreenWorkArea: {
        RECT area{};
        if (SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0)) return area;
        break;
    }
    case brMainForm:
        form = Application ? Application->MainForm() : nullptr;
        break;
    case brActiveWindow:
        form = Screen ? Screen->ActiveForm() : nullptr;
        break;
    default:
        break;
    }
    if (form) return form->BoundsRect();
    return TRect(0, 0, Screen->Width(), Screen->Height());
}

int LuxShowModal(const std::function<TForm*(TComponent*)>& Create, TComponent* Owner) {
    std::unique_ptr<TForm> form(Create(Owner));
    return form->ShowModal();
}

// --- Window menus ---------------------------------------------------------------------------------

void LuxCheckFormSysMenu(TForm* Form, TLuxSysMenuEntries Entries) {
    if (!Form) return;
    LuxCheckSystemMenu(Entries, GetSystemMenu(Form->Handle(), FALSE), false);
}

void LuxCheckApplicationSysMenu(TLuxSysMenuEntries Entries) {
    if (!Application) return;
    LuxCheckSystemMenu(Entries, GetSystemMenu(Application->Handle(), FALSE), true);
}

// --- Explode animation ----------------------------------------------------------------------------

namespace {

TRect FrameAt(int left, int top, int width, int height) {
    return TRect(left, top, left + width, top + height);
}

// The coordinate i steps of the way, truncated as a whole.
int Step(int from, int to, int i, int steps) {
    return static_cast<int>(from + static_cast<double>(i) * (to - from) / steps);
}

int Grow(int size, int i, int steps) {
    return static_cast<int>(static_cast<double>(i) * size / steps);
}

void ResolveStart(int& X, int& Y) {
    if (X >= 0) return;
    POINT p{};
    GetCursorPos(&p);
    X = p.x;
    Y = p.y;
}

// Each frame drawn as a focus rectangle and the run repeated, so the second run takes the first
// away again. Drawing on the screen goes to the program's own window: the main form, or the form
// being animated while there is none.
void Animate(TForm* Form, const std::vector<TRect>& frames, int Delay) {
    TCustomForm* target = Application ? Application->MainForm() : nullptr;
    if (!target || !target->Showing()) target = Form;
    const HWND wnd = target->Handle();
    const TPoint origin = target->ClientOrigin();
    HDC dc = GetDC(wnd);
    if (!dc) return;
    for (int run = 0; run < 2; ++run)
        for (const TRect& f : frames) {
            Sleep(static_cast<DWORD>(Delay));
            RECT r{f.Left - origin.X, f.Top - origin.Y, f.Right - origin.X, f.Bottom - origin.Y};
            DrawFocusRect(dc, &r);
        }
    ReleaseDC(wnd, dc);
}

TRect WindowRectOf(TForm* Form) {
    RECT r{};
    if (!GetWindowRect(Form->Handle(), &r)) return Form->BoundsRect();
    return r;
}

} // namespace

std::vector<TRect> LuxExplodeFrames(const TRect& W, int X, int Y, int Steps) {
    if (Steps <= 3) Steps = 40;
    std::vector<TRect> frames;
    for (int i = 1; i <= Steps; ++i)
        frames.push_back(FrameAt(Step(X, W.Left, i, Steps), Step(Y, W.Top, i, Steps),
                                 Grow(W.Width(), i, Steps), Grow(W.Height(), i, Steps)));
    return frames;
}

std::vector<TRect> LuxExplodeFrames2(const TRect& W, int X, int Y, int Steps, int MinWidth, int MinHeight,
                                     bool TwoStage) {
    if (Steps <= 3) Steps = 40;
    std::vector<TRect> frames;
    const int m = X + (W.Left - X) / 2;
    if (TwoStage)
        for (int i = 1; i <= Steps; ++i)
            frames.push_back(FrameAt(Step(X, m, i, Steps), Step(Y, W.Bottom, i, Steps), MinWidth, MinHeight));
    for (int i = 1; i <= Steps; ++i)
        frames.push_back(FrameAt(Step(m, W.Left, i, Steps), Step(W.Bottom, W.Top, i, Steps),
                                 MinWidth + Grow(W.Width() - MinWidth, i, Steps),
                                 MinHeight + Grow(W.Height() - MinHeight, i, Steps)));
    return frames;
}

void LuxExplodeFormExt(TForm* Form, int X, int Y, int Steps, int Delay) {
    if (!Form) return;
    ResolveStart(X, Y);
    Animate(Form, LuxExplodeFrames(WindowRectOf(Form), X, Y, Steps), std::max(Delay, 1));
}

void LuxExplodeFormExt2(TForm* Form, int X, int Y, int Steps, int MinWidth, int MinHeight, int Delay,
                        bool TwoStage) {
    if (!Form) return;
    ResolveStart(X, Y);
    Animate(Form, LuxExplodeFrames2(WindowRectOf(Form), X, Y, Steps, MinWidth, MinHeight, TwoStage),
            std::max(Delay, 1));
}

void LuxExplodeForm(TForm* Form) {
    LuxExplodeFormExt(Form, -1, 0, 40, LuxApplication ? LuxApplication->ExplodeDelay : 3);
}

void LuxExplodeForm2(TForm* Form) {
    LuxExplodeFormExt2(Form, -1, 0, 40, 20, 10, LuxApplication ? LuxApplication->ExplodeDelay : 3, true);
}

// --- Custom colours -------------------------------------------------------------------------------

void LuxLoadCustomColorList(TCustomIniFile* Store, const std::string& Section, TStringList* Strings) {
    if (!Strings || !(dynamic_cast<TIniFile*>(Store) || dynamic_cast<TRegistryIniFile*>(Store))) return;
    Strings->Clear();
    Store->ReadSectionValues(Section, Strings);
}

void LuxSaveCustomColorList(TCustomIniFile* Store, const std::string& Section, TStringList* Strings) {
    if (!Store || !Strings) return;
    for (int i = 0; i < Strings->Count(); ++i) {
        if (Pos("=", Strings->Strings(i)) == 0) continue;
        const std::string name = Strings->Names(i);
        Store->WriteString(Section, name, Strings->Values(name));
    }
}

void LuxLoadCustomColorFromIniFile(const std::string& FileName, const std::string& Section,
                                   TStringList* Strings) {
    TIniFile ini(FileName);
    LuxLoadCustomColorList(&ini, Section, Strings);
}

void LuxSaveCustomColorToIniFile(const std::string& FileName, const std::string& Section,
                                 TStringList* Strings) {
    TIniFile ini(FileName);
    LuxSaveCustomColorList(&ini, Section, Strings);
    ini.UpdateFile();
}

namespace {

// The development environment's settings file, in the Windows directory.
std::string IDESettingsFile() {
    return LuxSlashAdd(LuxWindowsDirectory()) + "LuxIDE.INI";
}

} // namespace

void LuxLoadIDECustomColor(TStringList* Strings) {
    LuxLoadCustomColorFromIniFile(IDESettingsFile(), "Custom Colors", Strings);
}

void LuxSaveIDECustomColor(TStringList* Strings) {
    LuxSaveCustomColorToIniFile(IDESettingsFile(), "Custom Colors", Strings);
}

TRect LuxAlignRect(TLuxAlignment Alignment, const TRect& R, const TRect& Bounds) {
    const int w = R.Right - R.Left, h = R.Bottom - R.Top;
    const int W = Bounds.Right - Bounds.Left, H = Bounds.Bottom - Bounds.Top;
    const int column = static_cast<int>(Alignment) % 3, row = static_cast<int>(Alignment) / 3;
    const int x = column == 0 ? 0 : column == 1 ? (W - w) / 2 : W - w;
    const int y = row == 0 ? 0 : row == 1 ? (H - h) / 2 : H - h;
    return TRect{Bounds.Left + x, Bounds.Top + y, Bounds.Left + x + w, Bounds.Top + y + h};
}

// --- Gradients ---------------------------------------------------------------------------------

namespace {

inline constexpr COLORREF kPaletteRelative = 0x02000000;

BYTE Channel(TColor c, int shift) {
    return static_cast<BYTE>(static_cast<std::uint32_t>(c) >> shift);
}

} // namespace

TRect LuxOffsetRect(const TRect& Rect, int Offset) {
    const auto packed = static_cast<std::uint32_t>(Offset);
    const int dx = static_cast<int>(packed & 0xFFFF);
    const int dy = static_cast<int>(packed >> 16);
    return TRect(Rect.Left + dx, Rect.Top + dy, Rect.Right + dx, Rect.Bottom + dy);
}

TColor LuxGradientGetColor(TColor Color1, TColor Color2, int Index, int Count) {
    if (Count == 0)
        return static_cast<TColor>(RGB(Channel(Color1, 0), Channel(Color1, 8), Channel(Color1, 16)));
    auto step = [&](int shift) {
        const double c1 = Channel(Color1, shift);
        const double c2 = Channel(Color2, shift);
        return static_cast<BYTE>(static_cast<int>(std::trunc(c1 + (c2 - c1) * Index / Count)));
    };
    return static_cast<TColor>(RGB(step(0), step(8), step(16)));
}

void LuxGradientCreateColorList(TColor Color1, TColor Color2, BYTE Count, TList* List, bool Clear) {
    if (!List || Count == 0) return;
    if (Clear) List->Clear();
    const COLORREF c1 = ColorToRGB(Color1);
    const COLORREF c2 = ColorToRGB(Color2);
    const int r1 = GetRValue(c1), g1 = GetGValue(c1), b1 = GetBValue(c1);
    const int r2 = GetRValue(c2), g2 = GetGValue(c2), b2 = GetBValue(c2);
    // One colour is the first: there is no step to divide.
    auto step = [&](int i, int from, int to) {
        return static_cast<BYTE>(Count > 1 ? from + MulDiv(i, to - from, Count - 1) : from);
    };
    for (int i = Clear ? 0 : 1; i < Count; ++i)
        LuxListAddColor(*List, RGB(step(i, r1, r2), step(i, g1, g2), step(i, b1, b2)));
}

HPALETTE LuxGradientCreatePalette(const TList* List) {
    if (!List || List->Count() == 0) return nullptr;
    const int count = std::min(List->Count(), 0xFFFF);
    std::vector<std::uint32_t> block(
        (sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<std::size_t>(count)) /
            sizeof(std::uint32_t) +
        1);
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
        const COLORREF c = LuxListColor(*List, i);
        palette->palPalEntry[i] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 4};
    }
    return CreatePalette(palette);
}

void LuxGradientPaintExt(TCanvas* Canvas, const TRect& Rect, TLuxGradientStyle Style, const TList* List,
                         HPALETTE Palette, WORD Flags, int Offset) {
    if (!Canvas || !List || List->Count() == 0 || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
    const int n = List->Count();
    const int W = Rect.Right - Rect.Left;
    const int H = Rect.Bottom - Rect.Top;
    bool usePalette = (Flags & LuxGradientPalette) != 0 && Palette;
    if (LuxApplication && LuxApplication->Options.Contains(aoAutoRealizePalette) && LuxSIColorDepth() <= 8)
        usePalette = false;

    TRect B;
    switch (Style) {
    case gstHorizontal:
    case gstVertical:
        B = TRect(0, 0, W, H);
        break;
    case gstSquare:
    case gstElliptic:
        B = TRect(W / 2, H / 2, W / 2, H / 2);
        break;
    case gstTopLeft:
    case gstTopLeftDiagonal:
        B = TRect(0, 0, 1, 1);
        break;
    case gstTopRight:
        B = TRect(W, 1, W + 1, 0);
        break;
    case gstBottomLeft:
        B = TRect(1, H, 0, H + 1);
        break;
    case gstBottomRight:
        B = TRect(W, H, W + 1, H + 1);
        break;
    case gstTopRightDiagonal:
        B = TRect(W, 0, W + 1, 0);
        break;
    }

    std::unique_ptr<TBitmap> offscreen;
    std::optional<ClipScope> clip;
    TCanvas* c = Canvas;
    if (Flags & LuxGradientBitmap) {
        offscreen = std::make_unique<TBitmap>();
        offscreen->SetSize(W, H);
        c = offscreen->Canvas();
    } else {
        if (Flags & LuxGradientClip) {
            clip.emplace(Canvas->Handle());
            clip->Intersect(Offset == 0 ? Rect : LuxOffsetRect(Rect, Offset));
        }
        B = TRect(B.Left + Rect.Left, B.Top + Rect.Top, B.Right + Rect.Left, B.Bottom + Rect.Top);
    }
    if (usePalette) {
        SelectPalette(c->Handle(), Palette, FALSE);
        RealizePalette(c->Handle());
    }
    c->Brush()->SetStyle(bsSolid);
    c->Pen()->SetStyle(psClear);
    auto color = [&](int i) {
        COLORREF rgb = LuxListColor(*List, i);
        if (usePalette) rgb |= kPaletteRelative;
        return static_cast<TColor>(rgb);
    };

    if (Style == gstHorizontal) {
        for (int i = 0; i < n; ++i) {
            c->Brush()->SetColor(color(i));
            c->FillRect(TRect(B.Left + MulDiv(i, W, n), B.Top, B.Left + MulDiv(i + 1, W, n), B.Bottom));
        }
    } else {
        for (int i = n - 1; i >= 0; --i) {
            const int k = i + 1;
            const int x = MulDiv(k, W, n);
            const int y = MulDiv(k, H, n);
            c->Brush()->SetColor(color(i));
            switch (Style) {
            case gstVertical:
                c->FillRect(TRect(B.Left, B.Top + MulDiv(i, H, n), B.Right, B.Top + MulDiv(k, H, n)));
                break;
            case gstSquare:
                c->Rectangle(B.Left - x / 2, B.Top - y / 2, B.Left + x / 2 + 2, B.Top + y / 2 + 2);
                break;
            case gstElliptic: {
                const int a = static_cast<int>(std::lround(x / 1.4));
                const int b = static_cast<int>(std::lround(y / 1.4));
                c->Ellipse(B.Left - a, B.Top - b, B.Left + a, B.Top + b);
                break;
            }
            case gstTopLeft:
                c->Rectangle(B.Left, B.Top, B.Right + x, B.Bottom + y);
                break;
            case gstTopRight:
                c->Rectangle(B.Left - x, B.Top + y, B.Right, B.Bottom);
                break;
            case gstBottomLeft:
                c->Rectangle(B.Left + x, B.Top - y, B.Right, B.Bottom);
                break;
            case gstBottomRight:
                c->Rectangle(B.Left - x, B.Top - y, B.Right, B.Bottom);
                break;
            case gstTopLeftDiagonal:
                c->Polygon({TPoint(B.Left, B.Top), TPoint(B.Left + 2 * x, B.Top),
                            TPoint(B.Left, B.Bottom + 2 * y), TPoint(B.Left - 2 * x, B.Bottom + 2 * y)});
                break;
            case gstTopRightDiagonal:
                c->Polygon({TPoint(B.Right, B.Top), TPoint(B.Right - 2 * x, B.Top),
                            TPoint(B.Right, B.Bottom + 2 * y), TPoint(B.Right + 2 * x, B.Bottom + 2 * y)});
                break;
            case gstHorizontal:
                break;
            }
        }
    }
    if (usePalette) {
        SelectPalette(Canvas->Handle(), Palette, FALSE);
        RealizePalette(Canvas->Handle());
    }
    if (offscreen) Canvas->Draw(Rect.Left, Rect.Top, offscreen.get());
}

void LuxGradientPaint(TCanvas* Canvas, const TRect& Rect, TColor Color1, TColor Color2, BYTE ColorCount,
                      TLuxGradientStyle Style, WORD Flags, int Offset) {
    TList list;
    LuxGradientCreateColorList(Color1, Color2, ColorCount, &list, true);
    HPALETTE palette = (Flags & LuxGradientPalette) ? LuxGradientCreatePalette(&list) : nullptr;
    try {
        LuxGradientPaintExt(Canvas, Rect, Style, &list, palette, Flags, Offset);
    } catch (...) {
        if (palette) DeleteObject(palette);
        throw;
    }
    if (palette) DeleteObject(palette);
}

void LuxSuperGradientPaint(TCanvas* Canvas, const TRect& Rect, const TColor* Colors, int ColorsCount,
                           BYTE ColorCount, TLuxGradientStyle Style, WORD Flags, int Offset) {
    const int h = ColorsCount - 1;
    if (!Colors || h < 1) return;
    TList list;
    for (int i = 0; i < h; ++i)
        LuxGradientCreateColorList(Colors[i], Colors[i + 1], static_cast<BYTE>(ColorCount / h), &list, false);
    LuxGradientPaintExt(Canvas, Rect, Style, &list, nullptr, Flags, Offset);
}
