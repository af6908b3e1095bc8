// The application object: exceptions from handlers reach HandleException and the standard error box
// through the seam; Run, Terminate and ProcessMessages.
#include "platform/ui/Forms.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/ui/StdCtrls.h"
#include "platform/win/Messages.h"
#include "support/UiTest.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

struct Fixture : ::testing::Test {
    TSeamRecorder seam;
    void SetUp() override {
        Application->ResetTerminated();
        Application->SetTitle("Quillon");
        Application->OnException = nullptr;
    }
    void TearDown() override {
        Application->DestroyForms();
        Application->ResetTerminated();
        Application->SetTitle("");
        Application->OnException = nullptr;
    }
};

using TApplicationBehaviour = Fixture;

TEST_F(TApplicationBehaviour, TheErrorBoxShowsTheMessageWithAFullStopUnderTheTitle) {
    struct Case {
        std::string message;
        std::string shown;
    };
    for (const Case& c : {Case{"Bad thing", "Bad thing."}, Case{"Done.", "Done."}, Case{"Stop!", "Stop!"},
                          Case{"Why?", "Why?."}, Case{"", ""}}) {
        seam.Clear();
        try {
            throw Exception(c.message);
        } catch (...) {
            Application->HandleException(nullptr);
        }
        ASSERT_EQ(seam.Entries.size(), 1u) << c.message;
        const TMessageBoxRequest& box = seam.Entries[0].Box;
        EXPECT_EQ(box.Kind, TMessageBoxRequest::ErrorBox);
        EXPECT_EQ(box.Text, c.shown);
        EXPECT_EQ(box.Caption, "Quillon");
        EXPECT_EQ(box.DlgType, mtError);
        EXPECT_EQ(box.Buttons, std::vector<TMsgDlgBtn>{mbOK});
    }
}

TEST_F(TApplicationBehaviour, OtherThrownObjectsBecomeExceptions) {
    try {
        throw std::runtime_error("from the library");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    try {
        throw 42;
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(seam.BoxTexts(), (std::vector<std::string>{"from the library.", ""}));
}

struct TCatcher : TObject {
    std::vector<std::string> got;
    void OnException(TObject*, Exception* e) { got.push_back(e->Message); }
    void Throw(TObject*) { throw EConvertError("'x' is not a valid integer value"); }
};

TEST_F(TApplicationBehaviour, OnExceptionTakesThePlaceOfTheBox) {
    TCatcher catcher;
    Application->OnException = TExceptionEvent::Bind<&TCatcher::OnException>(&catcher);
    try {
        throw EConvertError("bad");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(catcher.got, std::vector<std::string>{"bad"});
    EXPECT_TRUE(seam.Entries.empty());
}

TEST_F(TApplicationBehaviour, AnExceptionInAClickHandlerIsReportedAndGoesNoFurther) {
    TCatcher catcher;
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->OnClick = TNotifyEvent::Bind<&TCatcher::Throw>(&catcher);
    ClickAt(button->Widget(), QPoint(3, 3));
    EXPECT_EQ(seam.BoxTexts(), std::vector<std::string>{"'x' is not a valid integer value."});
}

TEST_F(TApplicationBehaviour, AnExceptionInAPostedMessageHandlerIsReportedInQtsLoopToo) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    struct Hook {
        TWindowProcMethod previous;
        void Proc(TMessage& m) {
            if (m.Msg == WM_USER + 3) throw Exception("posted");
            previous(m);
        }
    } hook{form->WindowProc};
    form->WindowProc = TWindowProcMethod::Bind<&Hook::Proc>(&hook);
    PostMessage(form->Handle(), WM_USER + 3, 0, 0);
    Pump();
    // A plain window of the platform whose procedure raises, served by Qt's own loop.
    const HWND plain = CreateMessageWindow("Plain", [](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_USER + 4) throw Exception("in the loop");
        return DefWindowProc(w, msg, wp, lp);
    });
    PostMessage(plain, WM_USER + 4, 0, 0);
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    DestroyWindow(plain);
    EXPECT_EQ(seam.BoxTexts(), (std::vector<std::string>{"posted.", "in the loop."}));
    form->WindowProc = hook.previous;
}

class TQuitOnShow : public TForm {
public:
    explicit TQuitOnShow(TComponent* owner) : TForm(owner) {
        OnActivate = TNotifyEvent::Bind<&TQuitOnShow::FormActivate>(this);
    }
    void FormActivate(TObject*) {
        ++Activations;
        if (QuitAtOnce) {
            Application->Terminate();
            Application->ProcessMessages();
            return;
        }
        PostMessage(Handle(), WM_CLOSE, 0, 0);
    }
    static inline int Activations = 0;
    static inline bool QuitAtOnce = false;
};

TEST_F(TApplicationBehaviour, RunShowsTheMainFormAndEndsWhenItCloses) {
    TQuitOnShow* main = nullptr;
    TQuitOnShow::Activations = 0;
    TQuitOnShow::QuitAtOnce = false;
    Application->CreateForm(main);
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(TQuitOnShow::Activations, 1);
}

TEST_F(TApplicationBehaviour, RunReturnsAtOnceWhenTheStartUpTerminated) {
    TQuitOnShow* main = nullptr;
    TQuitOnShow::Activations = 0;
    TQuitOnShow::QuitAtOnce = true;
    Application->CreateForm(main);
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(TQuitOnShow::Activations, 1);
}

TEST_F(TApplicationBehaviour, ApplicationMessageBoxGoesThroughTheSeam) {
    seam.AnswerBox(mbNo);
    EXPECT_EQ(Application->MessageBox("File upload in progress.\rAre you sure?", "Loader GUI : Confirm Exit",
                                      MB_YESNO),
              IDNO);
    ASSERT_EQ(seam.Entries.size(), 1u);
    EXPECT_EQ(seam.Entries[0].Box.Buttons, (std::vector<TMsgDlgBtn>{mbYes, mbNo}));
    EXPECT_EQ(seam.Entries[0].Box.Caption, "Loader GUI : Confirm Exit");
}

} // namespace
