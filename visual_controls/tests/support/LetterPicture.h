// Small bitmaps written and compared one letter per pixel, for the drawing tests.
#pragma once

#include <initializer_list>
#include <string>

class TBitmap;

// One letter per pixel, a row per line: '.' yellow (the fixtures' background), K black, S button
// shadow (grey), L white, F button face (light grey), R red, B blue, G lime, '?' anything else.
std::string Picture(TBitmap& b);

// A 24-bit bitmap drawn from rows of letters, as Picture reads them ('?' and unknown letters
// yellow).
void Make(TBitmap& b, std::initializer_list<const char*> rows);

// A 24-bit w x h bitmap of the background yellow.
void Blank(TBitmap& b, int w, int h);

// The rows joined as Picture writes them.
std::string Rows(std::initializer_list<const char*> rows);
