// The library's general procedures: the LZRW block compressor, rectangle and point arithmetic, bit
// operations, program paths, the display shortener for file names and a busy delay.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Graphics.h"

#include <cstdint>
#include <span>
#include <string>

// --- LZRW block compression ------------------------------------------------------------------------
//
// A block is one flag byte, 0x40 compressed or 0x80 stored, then the data. The compressed form is
// groups of up to 16 items, each group led by a big-endian command word whose bits, most significant
// first, tell a literal byte (0) from a token (1): a match word (distance << 4 | length - 3) copies
// 3..18 bytes from 1..4095 back, a run (0, hi, lo of count - 16, byte) repeats one byte 16..4095
// times.

// The largest source block, and the buffer size for a block (its stored form is one byte longer).
inline constexpr int LuxLZRWMaxSource = 32781;
inline constexpr int LuxLZRWBufferSize = 32782;

enum TLuxCompressionType { ctLZRW };

// Compresses sourceSize bytes (0..32781) into dest and returns the block length, at most
// sourceSize + 1; dest needs room for that many bytes and nothing past them is written.
std::uint16_t LuxLZRWCompress(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize);
// Expands a block of sourceSize bytes into dest (LuxLZRWBufferSize bytes) and returns the number of
// bytes produced. A block the compressor cannot have made (a length outside 1..32782, an unknown
// flag, a token cut off at the end, a distance before the start of the output, more than 32781
// bytes of output) raises EReadError and leaves dest's contents undefined.
std::uint16_t LuxLZRWDecompress(const std::uint8_t* source, std::uint8_t* dest, std::uint16_t sourceSize);

// --- Rectangles and points --------------------------------------------------------------------------

TRect LuxExpandRect(const TRect& r, int delta);
// Right edge moved by dx, bottom by dy.
void LuxAdjustRect(TRect& r, int dx, int dy);
void LuxAdjustRectExt(TRect& r, int dLeft, int dTop, int dRight, int dBottom);
// src scaled to fit dst keeping its aspect, placed at dst's top-left. An empty src (no width or no
// height) gives the empty rectangle at dst's top-left.
TRect LuxAffineRect(const TRect& src, const TRect& dst);
void LuxGetRectWH(const TRect& r, int& w, int& h);
// Both corners of inner inside outer by the point-in-rectangle test (right and bottom excluded).
bool LuxRectinRect(const TRect& inner, const TRect& outer);
// r becomes the size of its bounding box after a rotation by angle degrees, at the origin.
void LuxCalcRotRect(TRect& r, int angle);
// Start coordinates of text rotated by angle degrees in a box of a x b.
int LuxRotatedXPos(int angle, int a, int b);
int LuxRotatedYPos(int angle, int a, int b);
// The mean of the points, truncated; mid is left alone for no points.
void LuxMidpoint(std::span<const TPoint> points, TPoint& mid);
void LuxOffsetPoints(std::span<TPoint> points, int dx, int dy);
void LuxNullPoints(std::span<TPoint> points);
// The largest / smallest value; 0 for no values.
int LuxMax(std::span<const int> values);
int LuxMin(std::span<const int> values);
double LuxMaxR(std::span<const double> values);
double LuxMinR(std::span<const double> values);
// (a + b) div 2, truncated toward zero, without overflow.
int LuxMidI(int a, int b);

// --- Values and bits ---------------------------------------------------------------------------------

void LuxSwapInt(int& a, int& b);
void LuxSwapString(std::string& a, std::string& b);
// value true sets bit `bit` (0..7); false toggles it. Bits outside 0..7 are left alone.
void LuxSetBit(std::uint8_t& b, int bit, bool value);
// Sets bits 0..bit.
void LuxSetBitUpTo(std::uint8_t& b, int bit);
bool LuxGetBit(std::uint8_t b, int bit);
// base multiplied exponent times into 1 (32-bit, wrapping); 1 for an exponent of 0 or less.
int LuxExp(int base, int exponent);

// --- Paths and names ------------------------------------------------------------------------------------

enum TLuxPathPrefix { ppWindows, ppSystem, ppProgram, ppFixed };

// The program file's directory with its trailing delimiter.
std::string LuxAppPath();
// "SOFTWARE\" and the program file's name without extension.
std::string LuxAppIniName();
// The file name without directory and extension.
std::string LuxExtractFileName(const std::string& name);
// name shortened for display to maxLen characters where it can be, directories first replaced by
// "...": "C:\dir1\dir2\file.txt" becomes "C:\...\dir2\file.txt", then "C:\...\file.txt",
// "...\file.txt" and "file.txt".
std::string LuxShrunkFileName(const std::string& name, int maxLen);

// Spins on the tick count until more than `milliseconds` have passed; no messages are handled.
void LuxDelay(std::uint32_t milliseconds);

// The Windows and the system directory (both the settings directory here), without a trailing
// separator.
std::string LuxWindowsDirectory();
std::string LuxSystemDirectory();
// ppWindows, ppSystem, ppProgram: that directory with a trailing backslash (WithSlash) or without
// one; ppFixed: "".
std::string LuxCreatePathPrefix(TLuxPathPrefix Prefix, bool WithSlash);

// --- System menu --------------------------------------------------------------------------------------

enum TLuxSysMenuEntry { smRestore, smMove, smSize, smMinimize, smMaximize, smClose, smSwitch };
using TLuxSysMenuEntries = TSet<TLuxSysMenuEntry>;

// Deletes from the window menu the entries not in Entries, by position from the highest down (the
// positions of a form's menu, or with ApplicationMenu of the application window's, in the current
// style); with exactly [smClose] the separator before Close goes too. Nothing for menu 0.
void LuxCheckSystemMenu(TLuxSysMenuEntries Entries, std::uintptr_t Menu, bool ApplicationMenu);
