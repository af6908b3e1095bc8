#include "visual_controls/Luxutils.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/WindowQueries.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxstrings.h"

#include <algorithm>
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
