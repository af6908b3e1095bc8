// The shadow of the window regions: a shape shadow that starts switched off.
#pragma once

#include "visual_controls/LuxShadow.h"

class TLuxRgnShadow : public TLuxShadow {
public:
    TLuxRgnShadow();
};
