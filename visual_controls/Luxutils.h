// Conversions between fonts, points, rectangles and delimited strings (the settings store keeps its
// values in these forms), window and form placement, a message-pumping wait, modal forms, window
// menus, the explode animation, custom colour lists, a divisor list, and the gradients: colour lists
// between two colours, palettes of them, and the painting of bands, squares, ellipses, corners and
// diagonals in those colours.
#pragma once

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "visual_controls/Luxgraph.h"
#include "visual_controls/Luxprocs.h"
#include "visual_controls/Luxtextdraw.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TCustomIniFile;
class TStringList;

inline constexpr char IDS_DEFAULTDELIMITER = ',';

// The fields between delimiters; consecutive delimiters give empty fields, a final one adds none.
void LuxParseToStrList(const std::string& Text, char Delimiter, TStringList* Strings);

// name, size, colour, then 1/0 for bold, italic, underline, strike-out.
std::string LuxFontToString(TFont* Font);
// Needs exactly seven fields, and numbers in the four style fields (else EConvertError); the font
// is changed only once every field has been read.
void LuxStringToFont(const std::string& Text, TFont* Font);
// "[x,y]"
std::string LuxPointToString(const TPoint& P);
TPoint LuxStringToPoint(const std::string& Text);
// "left,top,right,bottom"
std::string LuxRectToString(const TRect& R);
// The empty rectangle unless there are exactly four fields.
TRect LuxStringToRect(const std::string& Text);
// Every divisor of N in ascending order, as decimal strings; empty for N = 1 (and below).
void LuxGetDivider(TStringList* List, int N);

// A rectangle of R's size placed inside Bounds by Alignment (it may stick out when R is larger).
TRect LuxAlignRect(TLuxAlignment Alignment, const TRect& R, const TRect& Bounds);

bool LuxIsChild(TControl* Control, TControl* Parent);
// When LuxApplication found another run of this program: that run's application window (found by
// this application's title) is restored when minimised, else brought to the front.
void LuxActivatePrevInstance();
// Handles messages until more than Milliseconds have passed or the application is terminating.
void LuxWait(DWORD Milliseconds);
void LuxCenterForm(TForm* Form);
// Upper: a third of the free height above the window instead of half.
void LuxCenterWindow(HWND Wnd, bool Upper);

enum TLuxDlgPosition {
    bpCustom,
    bpTopLeft,
    bpTopCenter,
    bpTopRight,
    bpCenterLeft,
    bpCenter,
    bpCenterRight,
    bpBottomLeft,
    bpBottomCenter,
    bpBottomRight
};
enum TLuxDlgPosRel { brScreen, brScreenWorkArea, brMainForm, brActiveWindow };

// Child centred on Parent, kept on the screen; Modal: the result of its ShowModal, else 0.
int LuxCenterChild(TForm* Parent, TForm* Child, bool Modal);
// Child's window centred on Parent's, kept inside the screen's right and bottom edges.
void LuxCenterChildWindow(HWND Parent, HWND Child, bool Flag);
// The window placed inside R by Position, kept on the screen.
void LuxPositionWindow(HWND Wnd, const TRect& R, TLuxDlgPosition Position, bool Flag);
// The work area, the main form's or the active form's bounds where they exist, else the screen.
TRect LuxDlgGetTargetRect(TLuxDlgPosRel PosRel);
// Creates a form with Create(Owner), shows it modally and frees it on every path.
int LuxShowModal(const std::function<TForm*(TComponent*)>& Create, TComponent* Owner);
template <class FormClass> int LuxShowModal(TComponent* Owner) {
    return LuxShowModal([](TComponent* o) -> TForm* { return new FormClass(o); }, Owner);
}

// The window menus with only Entries left (Luxprocs' LuxCheckSystemMenu).
void LuxCheckFormSysMenu(TForm* Form, TLuxSysMenuEntries Entries);
void LuxCheckApplicationSysMenu(TLuxSysMenuEntries Entries);

// The frame animation: a focus rectangle grows from (X, Y) to the form's window rectangle in Steps
// steps, drawn twice over (the second run erases the first) on the program's own window: the main
// form, or Form itself while there is none. Each step waits Delay milliseconds. X < 0 starts at the
// mouse pointer; Steps <= 3 becomes 40 and Delay < 1 becomes 1.
void LuxExplodeFormExt(TForm* Form, int X, int Y, int Steps, int Delay);
// The same growing from a MinWidth x MinHeight rectangle that comes from below the form's middle
// (TwoStage: first travelling there from (X, Y)).
void LuxExplodeFormExt2(TForm* Form, int X, int Y, int Steps, int MinWidth, int MinHeight, int Delay,
                        bool TwoStage);
void LuxExplodeForm(TForm* Form);
void LuxExplodeForm2(TForm* Form);
// The rectangles (screen coordinates) the animations draw in one run, in order.
std::vector<TRect> LuxExplodeFrames(const TRect& Window, int X, int Y, int Steps);
std::vector<TRect> LuxExplodeFrames2(const TRect& Window, int X, int Y, int Steps, int MinWidth,
                                     int MinHeight, bool TwoStage);

// Custom colour lists: name=value lines of a section of an INI file or registry INI file.
void LuxLoadCustomColorList(TCustomIniFile* Store, const std::string& Section, TStringList* Strings);
void LuxSaveCustomColorList(TCustomIniFile* Store, const std::string& Section, TStringList* Strings);
void LuxLoadCustomColorFromIniFile(const std::string& FileName, const std::string& Section,
                                   TStringList* Strings);
void LuxSaveCustomColorToIniFile(const std::string& FileName, const std::string& Section,
                                 TStringList* Strings);
// The same for the development environment's settings file, section "Custom Colors".
void LuxLoadIDECustomColor(TStringList* Strings);
void LuxSaveIDECustomColor(TStringList* Strings);

// --- Gradients ---------------------------------------------------------------------------------

enum TLuxGradientStyle : std::uint8_t {
    gstHorizontal,
    gstVertical,
    gstSquare,
    gstElliptic,
    gstTopLeft,
    gstTopRight,
    gstBottomLeft,
    gstBottomRight,
    gstTopLeftDiagonal,
    gstTopRightDiagonal
};

// Flags of the painting routines.
inline constexpr WORD LuxGradientClip = 0x0001;    // clip to the rectangle (moved by Offset)
inline constexpr WORD LuxGradientBitmap = 0x0004;  // paint off screen, then draw the result
inline constexpr WORD LuxGradientPalette = 0x1000; // select and realize the palette

// The colour lists hold RGB values as list entries.
inline COLORREF LuxListColor(const TList& list, int index) {
    return static_cast<COLORREF>(reinterpret_cast<std::uintptr_t>(list.Items(index)));
}
inline void LuxListAddColor(TList& list, COLORREF color) {
    list.Add(reinterpret_cast<void*>(static_cast<std::uintptr_t>(color)));
}

// Per channel Color1 + (Color2 - Color1) * Index / Count, truncated; the colours are taken as they
// are (system colours are not resolved). Count 0 gives Color1.
TColor LuxGradientGetColor(TColor Color1, TColor Color2, int Index, int Count);
// Appends Count colours from Color1 to Color2 (emptying List first when Clear); an appended segment
// (Clear false) skips its first colour, which ends the segment before. One colour is Color1.
void LuxGradientCreateColorList(TColor Color1, TColor Color2, BYTE Count, TList* List, bool Clear);
// A palette of the list's colours; nullptr for a missing or empty list.
HPALETTE LuxGradientCreatePalette(const TList* List);
// Offset packs x (low word) and y (high word), both unsigned, by which a clip moves the rectangle.
void LuxGradientPaintExt(TCanvas* Canvas, const TRect& Rect, TLuxGradientStyle Style, const TList* List,
                         HPALETTE Palette, WORD Flags, int Offset);
void LuxGradientPaint(TCanvas* Canvas, const TRect& Rect, TColor Color1, TColor Color2, BYTE ColorCount,
                      TLuxGradientStyle Style, WORD Flags, int Offset);
// Segments of ColorCount div (stops - 1) colours between neighbouring stops, each skipping its first
// colour; fewer than two stops paint nothing.
void LuxSuperGradientPaint(TCanvas* Canvas, const TRect& Rect, const TColor* Colors, int ColorsCount,
                           BYTE ColorCount, TLuxGradientStyle Style, WORD Flags, int Offset);

// The rectangle moved by a packed offset (x in the low word, y in the high word, both unsigned).
TRect LuxOffsetRect(const TRect& Rect, int Offset);
