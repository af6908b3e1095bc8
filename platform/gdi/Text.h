// Fonts, text output and text measurement.
//
// The Windows face names the system asks for are mapped to the DejaVu families (package
// fonts-dejavu-core): sans faces to DejaVu Sans, fixed faces to DejaVu Sans Mono, serif faces to
// DejaVu Serif; in the "Terminal" face the bytes 0x01..0x1F and 0x7F..0xFF are the OEM character
// set (pictographs, line and block drawing), in every other face Windows-1252 (FaceChar.h).
// Glyphs come from Qt's font engine, which needs a QGuiApplication; without one, or without the
// DejaVu files, text calls draw nothing and report failure. Glyphs are drawn without
// antialiasing (a glyph pixel is on or off), so the output repeats exactly.
//
// Heights follow the original: a negative lfHeight is the character (em) height in pixels, a
// positive one the cell height (ascent + descent), 0 a default of 16 pixels of cell. Italic is
// drawn slanted from the upright face. The bitmap faces of the original ("MS Sans Serif", "System",
// "Courier" ...) report no TMPF_TRUETYPE and ignore escapement, as those faces could not rotate;
// asked for with OUT_TT_ONLY_PRECIS they give way to the outline face of their family, which does.
// Escapement turns text about its reference point (exactly for quarter turns, by nearest pixel
// otherwise); lfWidth and lfOrientation are kept but not applied.
#pragma once

#include "platform/gdi/Types.h"

#include <string>

inline constexpr int LF_FACESIZE = 32;

struct LOGFONT {
    LONG lfHeight = 0;
    LONG lfWidth = 0;
    LONG lfEscapement = 0; // tenths of a degree, counter-clockwise
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};
};
static_assert(sizeof(LOGFONT) == 60, "LOGFONT keeps the original's 60-byte layout");

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    BYTE tmFirstChar = 0;
    BYTE tmLastChar = 0;
    BYTE tmDefaultChar = 0;
    BYTE tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};

struct DRAWTEXTPARAMS {
    UINT cbSize = sizeof(DRAWTEXTPARAMS);
    int iTabLength = 0; // in average character widths
    int iLeftMargin = 0;
    int iRightMargin = 0;
    UINT uiLengthDrawn = 0;
};

inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_THIN = 100;
inline constexpr LONG FW_LIGHT = 300;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_MEDIUM = 500;
inline constexpr LONG FW_SEMIBOLD = 600;
inline constexpr LONG FW_BOLD = 700;
inline constexpr LONG FW_HEAVY = 900;

inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE SYMBOL_CHARSET = 2;
inline constexpr BYTE OEM_CHARSET = 255;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE OUT_TT_PRECIS = 4;
inline constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DRAFT_QUALITY = 1;
inline constexpr BYTE PROOF_QUALITY = 2;
inline constexpr BYTE NONANTIALIASED_QUALITY = 3;
inline constexpr BYTE ANTIALIASED_QUALITY = 4;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;

// tmPitchAndFamily: TMPF_FIXED_PITCH set means a variable-pitch font, as on the original.
inline constexpr BYTE TMPF_FIXED_PITCH = 0x01;
inline constexpr BYTE TMPF_VECTOR = 0x02;
inline constexpr BYTE TMPF_TRUETYPE = 0x04;

// SetTextAlign
inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;

// ExtTextOut
inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;

// DrawText
inline constexpr UINT DT_TOP = 0x00000000;
inline constexpr UINT DT_LEFT = 0x00000000;
inline constexpr UINT DT_CENTER = 0x00000001;
inline constexpr UINT DT_RIGHT = 0x00000002;
inline constexpr UINT DT_VCENTER = 0x00000004;
inline constexpr UINT DT_BOTTOM = 0x00000008;
inline constexpr UINT DT_WORDBREAK = 0x00000010;
inline constexpr UINT DT_SINGLELINE = 0x00000020;
inline constexpr UINT DT_EXPANDTABS = 0x00000040;
inline constexpr UINT DT_TABSTOP = 0x00000080;
inline constexpr UINT DT_NOCLIP = 0x00000100;
inline constexpr UINT DT_EXTERNALLEADING = 0x00000200;
inline constexpr UINT DT_CALCRECT = 0x00000400;
inline constexpr UINT DT_NOPREFIX = 0x00000800;
inline constexpr UINT DT_INTERNAL = 0x00001000;
inline constexpr UINT DT_EDITCONTROL = 0x00002000;
inline constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
inline constexpr UINT DT_END_ELLIPSIS = 0x00008000;
inline constexpr UINT DT_MODIFYSTRING = 0x00010000;
inline constexpr UINT DT_RTLREADING = 0x00020000;
inline constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
inline constexpr UINT DT_HIDEPREFIX = 0x00100000;
inline constexpr UINT DT_PREFIXONLY = 0x00200000;

HFONT CreateFontIndirect(const LOGFONT* font);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const char* face);

// count -1: the text runs to its terminating zero.
BOOL TextOut(HDC dc, int x, int y, const char* text, int count);
// dx, when given, holds each character's advance.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                const int* dx);
BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
// Copies the face name the DC's font asked for; returns the length copied (without the zero).
int GetTextFace(HDC dc, int size, char* face);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

// Text with tab stops. Positions are pixels from the tab origin (TabbedTextOutA: nTabOrigin, in
// logical x; GetTabbedTextExtent*: the text's start), in increasing order; a negative position counts
// as its absolute value. No positions (or none given): a stop every 8 average character widths; one
// position: a stop every that many pixels; more: those stops, and past the last one a stop every 8
// average character widths. Any number of positions may be given. Both A calls answer the size of
// the text, its width in the low word and the font's height in the high word (0 on failure), as
// the original packs them; GetTabbedTextExtentPoint gives the same size in full.
LONG TabbedTextOutA(HDC dc, int x, int y, const char* text, int count, int nTabPositions,
                    const int* tabStopPositions, int nTabOrigin);
DWORD GetTabbedTextExtentA(HDC dc, const char* text, int count, int nTabPositions,
                           const int* tabStopPositions);
BOOL GetTabbedTextExtentPoint(HDC dc, const char* text, int count, int nTabPositions,
                              const int* tabStopPositions, SIZE* size);

// Returns the height of the text; with DT_VCENTER or DT_BOTTOM, the offset from rect->top to the
// bottom of the text. DT_VCENTER and DT_BOTTOM act only with DT_SINGLELINE; with DT_TABSTOP bits 8
// to 15 hold the tab length and no other flag. Word breaks happen at blanks (a word wider than
// the rectangle keeps its own line). Empty text has no line (height 0).
// Every line that does not fit is shortened: DT_END_ELLIPSIS and DT_WORD_ELLIPSIS cut it at its end
// and add "..."; DT_PATH_ELLIPSIS keeps the part from the last '\' or '/' and puts "..." in place
// of what goes before it (at the end when there is no separator).
// DT_EDITCONTROL lays text out as a multi-line edit control: a word wider than the rectangle is
// broken between characters, and a line cut off by the bottom edge is not drawn (the first line
// always is). DT_MODIFYSTRING is not supported; the text is never modified.
int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format);
int DrawTextEx(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);

// The DejaVu family a Windows face name is drawn with ("DejaVu Sans" for unknown names).
std::string GdiSubstituteFace(const std::string& face);
// True when the DejaVu files and a QGuiApplication are present; otherwise *why says what is missing.
bool GdiTextAvailable(std::string* why);
