// The drawing layer as the system's controls use it: device contexts, drawing objects, shapes,
// text, block transfers, regions, bitmaps and the system colours and metrics.
#pragma once

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/System.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/Types.h"
