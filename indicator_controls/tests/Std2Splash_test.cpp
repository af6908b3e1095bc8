// The splash picture: where it goes, the order of its events around the form's first paint (the
// wait injected), its window, and the colour taken from its bitmap.
#include "indicator_controls/Std2.h"

#include "platform/gdi/Draw.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

TEST(TvSplashForm, Geometry) {
    const struct {
        int bw, bh;
        vSplashStyleType shape;
        bool drawFrame;
        int addW;
        TvSplashGeometry out;
    } cases[] = {
        {100, 60, ssCircle, true, 0, {128, 128, 576, 448, 14, 34}},
        {100, 60, ssVRectangle, true, 0, {128, 88, 576, 468, 14, 14}},
        {100, 60, ssVEllipse, false, 10, {114, 64, 583, 480, 7, 2}},
        {1270, 60, ssVRectangle, true, 0, {1280, 88, 0, 468, 0, 0}}, // too wide once framed
        {1280, 60, ssVRectangle, true, 0, {1280, 60, 0, 482, 0, 0}}, // as wide as the screen
        {2000, 2000, ssCircle, true, 0, {1280, 1024, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const TvSplashGeometry g =
            SplashGeometry(c.bw, c.bh, 1280, 1024, c.shape, c.addW, 0, true, c.drawFrame, 4, 8);
        EXPECT_EQ(g.W, c.out.W) << c.bw << "x" << c.bh;
        EXPECT_EQ(g.H, c.out.H) << c.bw << "x" << c.bh;
        EXPECT_EQ(g.X, c.out.X) << c.bw << "x" << c.bh;
        EXPECT_EQ(g.Y, c.out.Y) << c.bw << "x" << c.bh;
        EXPECT_EQ(g.dx, c.out.dx) << c.bw << "x" << c.bh;
        EXPECT_EQ(g.dy, c.out.dy) << c.bw << "x" << c.bh;
    }
}

namespace {

std::vector<std::string>* Log = nullptr;

class TRecordingSplash : public TvSplashForm {
public:
    using TvSplashForm::TvSplashForm;
    void Event(TObject*) {}

protected:
    void Wait(std::uint16_t ms) override {
        Log->push_back("wait " + std::to_string(ms) + (Window() ? " shown" : " gone"));
    }
};

struct Recorder {
    TvSplashForm* splash = nullptr;
    void Create(TObject*) { Log->push_back("create"); }
    void BeforeShow(TObject*) { Log->push_back("before show"); }
    void Show(TObject*) { Log->push_back(splash->Window() ? "show" : "show without window"); }
    void BeforeDelay(TObject*) { Log->push_back("before delay"); }
    void BeforeClose(TObject*) { Log->push_back("before close"); }
    void AfterClose(TObject*) {
        Log->push_back(splash->Window() ? "after close, still shown" : "after close");
    }
};

TBitmap* Picture(int w, int h, TColor corner) {
    auto* b = new TBitmap;
    b->SetWidth(w);
    b->SetHeight(h);
    b->Canvas()->Brush()->SetColor(clBlue);
    b->Canvas()->FillRect(TRect(0, 0, w, h));
    b->Canvas()->SetPixels(0, h - 1, corner);
    return b;
}

} // namespace

TEST(TvSplashForm, ShownOnLoadingAndGoneAfterTheFirstPaintAndTheWait) {
    std::vector<std::string> log;
    Log = &log;
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* splash = new TRecordingSplash(form.get());
    Recorder r{splash};
    splash->OnCreate = TNotifyEvent::Bind<&Recorder::Create>(&r);
    splash->OnBeforeShow = TNotifyEvent::Bind<&Recorder::BeforeShow>(&r);
    splash->OnShow = TNotifyEvent::Bind<&Recorder::Show>(&r);
    splash->OnBeforeDelay = TNotifyEvent::Bind<&Recorder::BeforeDelay>(&r);
    splash->OnBeforeClose = TNotifyEvent::Bind<&Recorder::BeforeClose>(&r);
    splash->OnAfterClose = TNotifyEvent::Bind<&Recorder::AfterClose>(&r);
    std::unique_ptr<TBitmap> picture(Picture(100, 60, clRed));
    splash->SetBitMap(picture.get());
    splash->Shape = ssCircle;
    splash->MainFormDelay = 1234;
    form->BeginLoading();
    form->EndLoading();

    ASSERT_NE(splash->Window(), nullptr);
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(splash->Window()->BoundsRect(),
              TRect((cx - 128) / 2, (cy - 128) / 2, (cx - 128) / 2 + 128, (cy - 128) / 2 + 128));
    EXPECT_EQ(splash->Window()->BorderStyle(), bsNone);
    EXPECT_EQ(splash->Window()->FormStyle(), fsStayOnTop);
    EXPECT_TRUE(splash->Window()->Visible());
    EXPECT_NE(Screen->ActiveForm(), splash->Window()) << "the splash never takes the focus";
    EXPECT_EQ(log, (std::vector<std::string>{"create", "before show", "show"}));

    SendMessage(form->Handle(), WM_PAINT, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"create", "before show", "show", "before delay",
                                             "wait 1234 shown", "before close", "after close"}));
    EXPECT_EQ(splash->Window(), nullptr);
    SendMessage(form->Handle(), WM_PAINT, 0, 0);
    EXPECT_EQ(log.size(), 7u) << "later paints do nothing";
    Log = nullptr;
}

TEST(TvSplashForm, ASplashWhoseFormNeverPaintsGoesWithTheComponent) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* splash = new TvSplashForm(form.get());
    std::unique_ptr<TBitmap> picture(Picture(40, 30, clRed));
    splash->SetBitMap(picture.get());
    form->BeginLoading();
    form->EndLoading();
    TForm* window = splash->Window();
    ASSERT_NE(window, nullptr);
    const HWND wnd = window->Handle();
    EXPECT_TRUE(IsWindow(wnd));
    delete splash;
    EXPECT_FALSE(IsWindow(wnd));
}

TEST(TvSplashForm, AutomaticColourFromTheBottomLeftPixel) {
    TvSplashForm splash(nullptr);
    std::unique_ptr<TBitmap> picture(Picture(5, 4, clRed));
    splash.SetAutoBackColor(true);
    splash.SetBitMap(picture.get());
    EXPECT_EQ(splash.TransparentColor(), clRed);
    TBitmap empty;
    splash.SetBitMap(&empty);
    EXPECT_EQ(splash.TransparentColor(), clRed) << "an empty bitmap has no colour to give";
    EXPECT_TRUE(splash.AutoBackColor());
    splash.SetTransparentColor(clGreen);
    EXPECT_FALSE(splash.AutoBackColor());
}

TEST(TvSplashForm, BitmapAndPictureGoTogether) {
    TvSplashForm splash(nullptr);
    std::unique_ptr<TBitmap> red(Picture(5, 4, clRed));
    splash.SetBitMap(red.get());
    ASSERT_NE(splash.Picture()->Graphic(), nullptr);
    EXPECT_EQ(splash.Picture()->Width(), 5);
    EXPECT_EQ(splash.Picture()->Height(), 4);
    EXPECT_EQ(splash.Picture()->Bitmap()->Canvas()->Pixels(0, 3), clRed);
    EXPECT_EQ(splash.Picture()->Bitmap()->Canvas()->Pixels(4, 3), clBlue);

    // A picture given is drawn into the bitmap, and the picture holds a copy of it.
    TPicture lime;
    std::unique_ptr<TBitmap> limeBitmap(Picture(7, 3, clLime));
    lime.Assign(limeBitmap.get());
    splash.SetPicture(&lime);
    EXPECT_EQ(splash.BitMap()->Width(), 7);
    EXPECT_EQ(splash.BitMap()->Canvas()->Pixels(0, 2), clLime);
    EXPECT_EQ(splash.Picture()->Width(), 7);
    EXPECT_EQ(splash.Picture()->Bitmap()->Canvas()->Pixels(0, 2), clLime);
    EXPECT_EQ(splash.Picture()->Bitmap()->Canvas()->Pixels(6, 2), clBlue);

    // An empty picture changes nothing.
    TPicture empty;
    splash.SetPicture(&empty);
    EXPECT_EQ(splash.BitMap()->Width(), 7);
    EXPECT_EQ(splash.Picture()->Width(), 7);

    // Published, written through SetPicture, and never stored.
    const TPropInfo* info = GetPropInfo(&splash, "Picture");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Kind, TTypeKind::tkClass);
    EXPECT_EQ(info->GetObject(&splash), splash.Picture());
    EXPECT_FALSE(info->IsStored(&splash));
    TPicture small;
    std::unique_ptr<TBitmap> smallBitmap(Picture(2, 2, clRed));
    small.Assign(smallBitmap.get());
    info->SetObject(&splash, &small);
    EXPECT_EQ(splash.BitMap()->Width(), 2);
    EXPECT_EQ(splash.Picture()->Width(), 2);
}

TEST(TvSplashForm, TheWindowKeepsThePictureWhenItPaintsItself) {
    TvSplashForm splash(nullptr);
    std::unique_ptr<TBitmap> picture(Picture(40, 30, clBlue));
    splash.SetBitMap(picture.get());
    splash.MakeSplash();
    splash.DoSplash();
    TForm* window = splash.Window();
    ASSERT_NE(window, nullptr);
    // Painted anew as its first paint on the screen does: background first.
    window->Repaint();
    const TvSplashGeometry& g = splash.Geometry();
    HDC dc = GetDC(window->Handle());
    EXPECT_EQ(GetPixel(dc, g.dx + 20, g.dy + 15), ColorToRGB(clBlue));
    ReleaseDC(window->Handle(), dc);
}
