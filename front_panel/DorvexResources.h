// The bitmaps built into the program ("YELLOW_OFF" ... "WHITE_OFF", the banner), found by name as
// the original found its named bitmap resources.
#pragma once

#include "platform/rtl/Exceptions.h"

#include <string>

class TBitmap;

class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// Replaces Bitmap's picture with the named resource; raises EResNotFound ("Resource NAME not found")
// for a name the program does not carry.
void LoadBitmapResource(TBitmap* Bitmap, const std::string& Name);
