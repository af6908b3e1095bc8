#include "LedTest.h"

#include "indicator_controls/IndicatorUnits.h"
#include "platform/gdi/Draw.h"
#include "platform/win/Clock.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include "tools/testing/SourceTree.h"
#include <chrono>
#include <filesystem>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application->Initialize();
        InitializeIndicatorUnits();
    }
    void TearDown() override { FinalizeIndicatorUnits(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

// Only ever moves forward, so timers set earlier in the program never see time run backwards.
std::uint64_t clockOffset = 0;

} // namespace

void AdvanceClock(std::uint64_t ms) {
    clockOffset += ms;
    SetClockOffsetForTesting(clockOffset);
    Application->ProcessMessages();
}

void Pump() {
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
}

void PumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        Sleep(10);
    }
}

HICON SolidIcon(int w, int h, COLORREF colour) {
    TBitmap image, mask;
    image.SetPixelFormat(pf24bit);
    image.SetSize(w, h);
    image.Canvas()->Brush()->SetColor(static_cast<TColor>(colour));
    image.Canvas()->FillRect(Rect(0, 0, w, h));
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(w, h);
    ICONINFO info;
    info.hbmColor = image.Handle();
    info.hbmMask = mask.Handle();
    return CreateIconIndirect(&info);
}

std::unique_ptr<TBitmap> Snapshot(TWinControl* control) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(control->ClientWidth(), control->ClientHeight());
    control->PaintTo(bitmap->Canvas()->Handle(), 0, 0);
    return bitmap;
}

COLORREF PixelAt(TBitmap* bitmap, int x, int y) {
    return GetPixel(bitmap->Canvas()->Handle(), x, y);
}

namespace {

struct TDesigner : TComponent {
    static void Design(TComponent* c) {
        TComponentState s = c->ComponentState();
        s.Include(TComponentStateItem::csDesigning);
        (c->*&TDesigner::SetComponentState)(s);
    }
};

} // namespace

void DesignComponent(TComponent* component) {
    TDesigner::Design(component);
}

std::string DataPath(const std::string& name) {
    return (SourceTree() / "indicator_controls" / "tests" / "data" / name).string();
}

std::string CompareWithFile(TBitmap* actual, const std::string& name) {
    std::string problem;
    TBitmap expected;
    try {
        expected.LoadFromFile(DataPath(name));
    } catch (const Exception& e) {
        problem = "cannot read " + name + ": " + e.Message;
    }
    if (problem.empty() && (expected.Width() != actual->Width() || expected.Height() != actual->Height()))
        problem = name + ": size " + std::to_string(actual->Width()) + "x" +
                  std::to_string(actual->Height()) + ", expected " + std::to_string(expected.Width()) + "x" +
                  std::to_string(expected.Height());
    if (problem.empty()) {
        int differing = 0;
        std::string first;
        for (int y = 0; y < actual->Height(); ++y)
            for (int x = 0; x < actual->Width(); ++x)
                if (PixelAt(actual, x, y) != PixelAt(&expected, x, y) && differing++ == 0)
                    first = " first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        if (differing > 0) problem = name + ": " + std::to_string(differing) + " pixels differ," + first;
    }
    if (!problem.empty()) actual->SaveToFile(name);
    return problem;
}

void TEventLog::Add(const std::string& what, TObject* Sender) {
    auto* c = dynamic_cast<TComponent*>(Sender);
    if (!Events.empty()) Events += ", ";
    Events += what + " " + (c ? c->Name() : std::string("?"));
}
