#include "visual_controls/Luxutils.h"

#include "platform/gdi/Draw.h"
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

#include <algorithm>
#include <memory>
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
