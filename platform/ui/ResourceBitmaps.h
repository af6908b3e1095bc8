// Pictures built into the program (vx_add_resources), found by name as the system finds its named
// resources: bitmaps into a TBitmap, other pictures (a JPEG) as their bytes.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/win/Types.h"

#include <string>

class TBitmap;

class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// Replaces Bitmap's picture with the named resource; raises EResNotFound ("Resource NAME not found")
// for a name the program does not carry.
void LoadBitmapResource(TBitmap* Bitmap, const std::string& Name);
// The bitmap resource identified by a number (built in under that number in decimal).
void LoadBitmapResource(TBitmap* Bitmap, WORD Ident);
// The bytes of the named resource of the type (RT_RCDATA ...); raises EResNotFound as above.
std::string ResourceBytes(const std::string& Name, UINT Type);
