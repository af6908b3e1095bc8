// The standard controls: their properties reach the Qt widgets (text as Windows-1252 bytes on our
// side), user input comes back as the class library's events, and the self-painted ones (label,
// panel, image) paint what they should.
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Win1252.h"
#include "support/UiTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Fixture : ::testing::Test {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TEventLog log;
    void SetUp() override {
        form->SetColor(clGray);
        form->SetClientSize(300, 200);
    }
    template <class T> T* Add(const std::string& name) {
        auto* c = new T(form.get());
        c->SetName(name);
        c->SetParent(form.get());
        return c;
    }
    // Bounding box of the pixels inside area that differ from the background.
    TRect InkBox(TWinControl* window, const TRect& area, COLORREF background) {
        TRect box(area.Right, area.Bottom, area.Left, area.Top);
        window->Update();
        HDC dc = GetDC(window->Handle());
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if (GetPixel(dc, x, y) != background) {
                    box.Left = std::min(box.Left, x);
                    box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x + 1);
                    box.Bottom = std::max(box.Bottom, y + 1);
                }
        ReleaseDC(window->Handle(), dc);
        return box;
    }
};

constexpr COLORREF kGray = RGB(128, 128, 128);

using StdCtrls = Fixture;

TEST_F(StdCtrls, LabelSizesItselfToItsTextAndKeepsItsRightEdgeWhenRightJustified) {
    std::string why;
    if (!GdiTextAvailable(&why)) GTEST_SKIP() << why;
    auto* label = Add<TLabel>("Label1");
    label->SetLeft(100);
    label->SetCaption("Hello");
    TBitmap measure;
    measure.SetSize(1, 1);
    measure.Canvas()->SetFont(label->Font());
    EXPECT_EQ(label->Width(), measure.Canvas()->TextWidth("Hello"));
    EXPECT_EQ(label->Height(), measure.Canvas()->TextHeight("Hello"));

    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption("Hello, world");
    EXPECT_EQ(label->Left() + label->Width(), right);
    EXPECT_GT(label->Width(), measure.Canvas()->TextWidth("Hello"));

    label->SetCaption("");
    EXPECT_GT(label->Height(), 0); // an empty caption is measured as a blank
}

TEST_F(StdCtrls, LabelPaintsItsBackgroundOnlyWhenNotTransparentAndPlacesItsText) {
    std::string why;
    if (!GdiTextAvailable(&why)) GTEST_SKIP() << why;
    auto* label = Add<TLabel>("Label1");
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 100, 60);
    label->SetColor(clRed);
    label->Font()->SetColor(clWhite);
    label->SetCaption("Text");
    EXPECT_EQ(SurfacePixel(form.get(), 108, 68), RGB(255, 0, 0));
    label->SetTransparent(true);
    EXPECT_EQ(SurfacePixel(form.get(), 108, 68), kGray);

    const TRect area = Rect(10, 10, 110, 70);
    const TRect top = InkBox(form.get(), area, kGray);
    label->SetLayout(tlBottom);
    const TRect bottom = InkBox(form.get(), area, kGray);
    label->SetLayout(tlCenter);
    label->SetAlignment(taCenter);
    const TRect centre = InkBox(form.get(), area, kGray);
    ASSERT_LT(top.Top, top.Bottom);
    EXPECT_LT(top.Top, 15);
    EXPECT_GT(bottom.Bottom, 65);
    EXPECT_NEAR((centre.Top + centre.Bottom) / 2, 40, 3);
    EXPECT_NEAR((centre.Left + centre.Right) / 2, 60, 3);
}

TEST_F(StdCtrls, EditTextTravelsAsWindows1252AndChangesAreReported) {
    auto* edit = Add<TEdit>("Edit1");
    edit->OnChange = TNotifyEvent::Bind<&TEventLog::Change>(&log);
    edit->SetText("Caf\xE9 \x80");
    auto* line = static_cast<QLineEdit*>(edit->Widget());
    EXPECT_EQ(line->text(), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(log.Events.size(), 1u);

    line->setFocus();
    SendKey(line, QEvent::KeyPress, Qt::Key_End);
    SendKey(line, QEvent::KeyPress, 0, QString::fromUtf8("\xC3\xBC"));
    EXPECT_EQ(edit->Text(), "Caf\xE9 \x80\xFC");
    EXPECT_EQ(log.Events.size(), 2u);

    // The limit holds for typing; text set by the program stays whole.
    edit->SetMaxLength(3);
    edit->SetText("12345");
    EXPECT_EQ(edit->Text(), "12345");
    SendKey(line, QEvent::KeyPress, Qt::Key_6, "6");
    EXPECT_EQ(edit->Text(), "12345");
}

TEST_F(StdCtrls, EditWithoutAWindowStillReportsChanges) {
    auto* edit = new TEdit(form.get());
    edit->OnChange = TNotifyEvent::Bind<&TEventLog::Change>(&log);
    edit->SetText("abc");
    EXPECT_EQ(log.Events.size(), 1u);
    edit->SetParent(form.get());
    EXPECT_EQ(static_cast<QLineEdit*>(edit->Widget())->text(), QStringLiteral("abc"));
    EXPECT_EQ(log.Events.size(), 1u);
}

TEST_F(StdCtrls, ButtonClickFiresOnClickAndHandsItsModalResultToTheForm) {
    auto* button = Add<TButton>("OkButton");
    button->SetCaption("&OK");
    button->SetModalResult(mrOk);
    button->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    auto* push = static_cast<QPushButton*>(button->Widget());
    EXPECT_EQ(push->text(), QStringLiteral("&OK"));
    ClickAt(push, QPoint(5, 5));
    EXPECT_EQ(log.Joined(), "click OkButton");
    EXPECT_EQ(form->ModalResult(), mrOk);
}

struct TFreer : TObject {
    TControl* victim = nullptr;
    void Free(TObject*) {
        delete victim;
        victim = nullptr;
    }
    void FreeOnMouse(TObject* sender, TMouseButton, TShiftState, int, int) { Free(sender); }
};

TEST_F(StdCtrls, AControlFreedByItsOwnHandlerIsNotTouchedAgain) {
    TFreer freer;
    auto* button = Add<TButton>("Doomed");
    freer.victim = button;
    button->OnClick = TNotifyEvent::Bind<&TFreer::Free>(&freer);
    QWidget* push = button->Widget();
    ClickAt(push, QPoint(5, 5));
    EXPECT_EQ(freer.victim, nullptr);

    auto* panel = Add<TPanel>("AlsoDoomed");
    freer.victim = panel;
    panel->OnMouseDown = TMouseEvent::Bind<&TFreer::FreeOnMouse>(&freer);
    QWidget* surface = panel->Widget();
    ClickAt(surface, QPoint(5, 5), Qt::RightButton);
    SendKey(surface, QEvent::KeyPress, Qt::Key_A, "a");
    Pump();
    EXPECT_EQ(freer.victim, nullptr);
    EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(StdCtrls, CheckBoxClicksOnUserAndProgramChangesButNotWhileLoading) {
    auto* box = Add<TCheckBox>("Use");
    box->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    auto* check = static_cast<QCheckBox*>(box->Widget());
    check->click();
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(log.Events.size(), 1u);
    box->SetChecked(false);
    EXPECT_EQ(check->checkState(), Qt::Unchecked);
    EXPECT_EQ(log.Events.size(), 2u);
    box->SetChecked(false);
    EXPECT_EQ(log.Events.size(), 2u);

    form->BeginLoading();
    box->SetChecked(true);
    form->EndLoading();
    EXPECT_EQ(log.Events.size(), 2u);
    EXPECT_EQ(check->checkState(), Qt::Checked);
}

TEST_F(StdCtrls, MemoLinesAndTheWidgetStayInStep) {
    auto* memo = Add<TMemo>("Memo1");
    memo->OnChange = TNotifyEvent::Bind<&TEventLog::Change>(&log);
    memo->Lines()->Add("first");
    memo->Lines()->Add("Gr\xFC\xDF");
    auto* editor = static_cast<QPlainTextEdit*>(memo->Widget());
    EXPECT_EQ(editor->toPlainText(), QString::fromUtf8("first\nGr\xC3\xBC\xC3\x9F"));
    EXPECT_EQ(memo->Text(), "first\r\nGr\xFC\xDF");

    const std::size_t before = log.Events.size();
    editor->appendPlainText(QStringLiteral("third"));
    EXPECT_EQ(memo->Lines()->Count(), 3);
    EXPECT_EQ(memo->Lines()->Strings(2), "third");
    EXPECT_GT(log.Events.size(), before);
}

TEST_F(StdCtrls, ComboBoxItemsIndexAndUserChoice) {
    auto* combo = Add<TComboBox>("PortsComboBox");
    combo->SetStyle(csDropDownList);
    combo->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    combo->OnChange = TNotifyEvent::Bind<&TEventLog::Change>(&log);
    combo->Items()->Add("COM1");
    combo->Items()->Add("COM3");
    combo->SetItemIndex(0);
    auto* qcombo = static_cast<QComboBox*>(combo->Widget());
    EXPECT_EQ(qcombo->count(), 2);
    EXPECT_EQ(qcombo->currentIndex(), 0);
    EXPECT_EQ(combo->Text(), "COM1");
    EXPECT_TRUE(log.Events.empty());

    qcombo->setCurrentIndex(1);
    emit qcombo->activated(1);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "COM3");
    EXPECT_EQ(log.Joined(), "click PortsComboBox, change PortsComboBox");
    combo->SetItemIndex(5);
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(StdCtrls, TrackBarKeepsItsPositionInRangeAndReportsChanges) {
    auto* track = Add<TTrackBar>("TrackBar1");
    track->SetMax(2000);
    track->SetMin(100);
    track->SetPosition(1000);
    track->OnChange = TNotifyEvent::Bind<&TEventLog::Change>(&log);
    auto* slider = static_cast<QSlider*>(track->Widget());
    EXPECT_EQ(slider->minimum(), 100);
    EXPECT_EQ(slider->maximum(), 2000);
    EXPECT_EQ(slider->value(), 1000);
    track->SetPosition(5000);
    EXPECT_EQ(track->Position(), 2000);
    slider->setValue(1500);
    EXPECT_EQ(track->Position(), 1500);
    EXPECT_EQ(log.Events.size(), 2u);
    track->SetPosition(1500);
    EXPECT_EQ(log.Events.size(), 2u);
}

TEST_F(StdCtrls, ProgressBarClampsAndStepsRoundPastItsMaximum) {
    auto* bar = Add<TProgressBar>("FileProgressBar");
    bar->SetMax(10);
    bar->Step = 4;
    bar->SetPosition(20);
    EXPECT_EQ(bar->Position(), 10);
    bar->SetPosition(8);
    bar->StepIt();
    EXPECT_EQ(bar->Position(), 2);
    bar->StepIt();
    EXPECT_EQ(static_cast<QProgressBar*>(bar->Widget())->value(), 6);
}

TEST_F(StdCtrls, LabeledEditKeepsItsLabelAboveIt) {
    auto* edit = new TLabeledEdit(form.get());
    edit->SetBounds(50, 100, 121, 21);
    edit->SetParent(form.get());
    edit->EditLabel()->SetCaption("IP Address");
    TLabel* label = edit->EditLabel();
    EXPECT_EQ(label->Parent(), form.get());
    EXPECT_EQ(label->Left(), 50);
    EXPECT_EQ(label->Top(), 100 - 3 - label->Height());
    edit->SetTop(120);
    EXPECT_EQ(label->Top(), 120 - 3 - label->Height());
    edit->Hide();
    EXPECT_FALSE(label->Visible());
    delete edit;
    EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(StdCtrls, PanelDrawsItsBevelsAroundItsFace) {
    auto* panel = Add<TPanel>("Panel1");
    panel->SetBounds(10, 10, 50, 30);
    panel->SetBevelInner(TBevelCut::bvLowered);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(SurfacePixel(panel, 0, 0), highlight);
    EXPECT_EQ(SurfacePixel(panel, 49, 29), shadow);
    EXPECT_EQ(SurfacePixel(panel, 1, 1), shadow); // the lowered inner bevel
    EXPECT_EQ(SurfacePixel(panel, 48, 28), highlight);
    EXPECT_EQ(SurfacePixel(panel, 25, 3), GetSysColor(COLOR_BTNFACE));
}

TEST_F(StdCtrls, ImageStretchesItsPictureAndClicks) {
    auto* image = Add<TImage>("SourceBtnImage1");
    image->SetBounds(20, 20, 58, 58);
    image->SetStretch(true);
    image->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    TBitmap* bitmap = image->Picture()->Bitmap();
    bitmap->SetSize(2, 2);
    bitmap->Canvas()->Brush()->SetColor(clRed);
    bitmap->Canvas()->FillRect(Rect(0, 0, 2, 2));
    bitmap->Canvas()->SetPixels(1, 1, clLime);
    EXPECT_EQ(SurfacePixel(form.get(), 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(SurfacePixel(form.get(), 77, 77), RGB(0, 255, 0));
    EXPECT_EQ(SurfacePixel(form.get(), 78, 78), kGray);
    ClickAt(form->Widget(), QPoint(30, 30));
    EXPECT_EQ(log.Joined(), "click SourceBtnImage1");
}

TEST(IsAccel, FindsTheCaptionsAccessKeyCaseBlind) {
    const struct {
        unsigned key;
        const char* caption;
        bool accel;
    } cases[] = {
        {'P', "&Print", true},        {'p', "&Print", true},  {'R', "&Print", false},
        {'S', "Save &as", false},     {'A', "Save &as", true}, {'B', "R&&B", false},
        {'B', "R&&B &bus", true},     {'X', "Text&", false},  {'F', "No key", false},
        {'&', "&&", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsAccel(c.key, c.caption), c.accel) << c.caption << " " << char(c.key);
}

} // namespace
