// Shared by the indicator tests: the application set up offscreen, timers driven by moving the
// clock instead of waiting, and pictures of controls compared with files in tests/data.
#pragma once

#include "platform/gdi/Icon.h"
#include "platform/ui/Forms.h"

#include <cstdint>
#include <memory>
#include <string>

// Moves the platform's clock forward and runs whatever became due.
void AdvanceClock(std::uint64_t ms);
// Handles the messages waiting now, a few times over.
void Pump();
// Handles messages for about ms milliseconds of real time.
void PumpFor(int ms);
// A new w x h icon of one colour, all of it shown; the caller owns it.
HICON SolidIcon(int w, int h, COLORREF colour);

// The client area of control as it paints now, in a 24-bit bitmap.
std::unique_ptr<TBitmap> Snapshot(TWinControl* control);
COLORREF PixelAt(TBitmap* bitmap, int x, int y);

// Puts a component in the designer.
void DesignComponent(TComponent* component);

std::string DataPath(const std::string& name);
// Empty when the picture equals tests/data/<name>; otherwise what differs. A differing or missing
// picture is written to the working directory under its name, for a look.
std::string CompareWithFile(TBitmap* actual, const std::string& name);

// Methods to bind events to; each appends "<what> <sender name>".
class TEventLog : public TObject {
public:
    std::string Events;
    void Change(TObject* Sender) { Add("change", Sender); }
    void Paint(TObject* Sender) { Add("paint", Sender); }
    void Enter(TObject* Sender) { Add("enter", Sender); }
    void Leave(TObject* Sender) { Add("leave", Sender); }
    void Click(TObject* Sender) { Add("click", Sender); }
    void Add(const std::string& what, TObject* Sender);
};
