// Conversions between fonts, points, rectangles and delimited strings (the settings store keeps its
// values in these forms), window placement, a message-pumping wait and a divisor list.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"

#include <string>

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

bool LuxIsChild(TControl* Control, TControl* Parent);
// When LuxApplication found another run of this program: that run's application window (found by
// this application's title) is restored when minimised, else brought to the front.
void LuxActivatePrevInstance();
// Handles messages until more than Milliseconds have passed or the application is terminating.
void LuxWait(DWORD Milliseconds);
void LuxCenterForm(TForm* Form);
// Upper: a third of the free height above the window instead of half.
void LuxCenterWindow(HWND Wnd, bool Upper);
