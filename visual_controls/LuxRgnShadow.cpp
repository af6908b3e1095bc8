#include "visual_controls/LuxRgnShadow.h"

TLuxRgnShadow::TLuxRgnShadow() {
    SetStyle(hssNone);
}
