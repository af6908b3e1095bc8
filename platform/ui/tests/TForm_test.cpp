// Forms: the loading protocol and OnCreate, showing and activation, closing with its actions, modal
// forms answered through the seam, placement and client size, keyboard preview and dialog keys.
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WindowQueries.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::vector<std::string> events;

// A form built as the programs build theirs: components, loading, properties, events.
class TLogForm : public TForm {
public:
    explicit TLogForm(TComponent* owner, const std::string& name = "Form") : TForm(owner) {
        Edit = new TEdit(this);
        OkButton = new TButton(this);
        CancelButton = new TButton(this);
        BeginLoading();
        SetName(name);
        SetCaption(name);
        SetClientSize(200, 100);
        Edit->SetName("Edit");
        Edit->SetParent(this);
        OkButton->SetName("OkButton");
        OkButton->SetParent(this);
        OkButton->SetModalResult(mrOk);
        OkButton->SetDefault(true);
        OkButton->SetBounds(10, 60, 75, 25);
        CancelButton->SetName("CancelButton");
        CancelButton->SetParent(this);
        CancelButton->SetModalResult(mrCancel);
        CancelButton->SetCancel(true);
        CancelButton->SetBounds(100, 60, 75, 25);
        OnCreate = TNotifyEvent::Bind<&TLogForm::Log<'c'>>(this);
        OnShow = TNotifyEvent::Bind<&TLogForm::Log<'s'>>(this);
        OnHide = TNotifyEvent::Bind<&TLogForm::Log<'h'>>(this);
        OnActivate = TNotifyEvent::Bind<&TLogForm::Log<'a'>>(this);
        OnDeactivate = TNotifyEvent::Bind<&TLogForm::Log<'d'>>(this);
        OnDestroy = TNotifyEvent::Bind<&TLogForm::Log<'x'>>(this);
        OnClose = TCloseEvent::Bind<&TLogForm::FormClose>(this);
        OnCloseQuery = TCloseQueryEvent::Bind<&TLogForm::FormCloseQuery>(this);
        EndLoading();
    }

    template <char C> void Log(TObject*) {
        const char* names[] = {"create", "show", "hide", "activate", "deactivate", "destroy"};
        const std::string all = "cshadx";
        events.push_back(Name() + " " + names[all.find(C)]);
    }
    void FormClose(TObject*, TCloseAction& action) {
        events.push_back(Name() + " close");
        action = Action;
    }
    void FormCloseQuery(TObject*, bool& canClose) { canClose = CanClose; }

    TEdit* Edit;
    TButton* OkButton;
    TButton* CancelButton;
    TCloseAction Action = caHide;
    bool CanClose = true;
};

struct Fixture : ::testing::Test {
    void SetUp() override {
        events.clear();
        Application->ResetTerminated();
    }
    void TearDown() override {
        Application->DestroyForms();
        Application->ResetTerminated();
    }
};

using TFormBehaviour = Fixture;

TEST_F(TFormBehaviour, CreateFiresAfterLoadingAndShowComesBeforeActivate) {
    std::unique_ptr<TLogForm> form(new TLogForm(nullptr));
    EXPECT_EQ(events, (std::vector<std::string>{"Form create"}));
    form->Show();
    form->Show();
    EXPECT_EQ(events, (std::vector<std::string>{"Form create", "Form show", "Form activate"}));
    EXPECT_TRUE(form->Active());
    EXPECT_EQ(Screen->ActiveForm(), form.get());
}

// Counts the windows shown and hidden while it lives.
class THideCounter : public QObject {
public:
    THideCounter() { qApp->installEventFilter(this); }
    ~THideCounter() override { qApp->removeEventFilter(this); }
    int Shows = 0;
    int Hides = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (!o->isWidgetType() || !static_cast<QWidget*>(o)->isWindow()) return false;
        if (e->type() == QEvent::Show) ++Shows;
        if (e->type() == QEvent::Hide) ++Hides;
        return false;
    }
};

// A form shown for the first time is mapped once: a window hidden and shown again at once can be
// missed by the window manager and stay unmapped.
TEST_F(TFormBehaviour, AFormIsShownWithoutBeingHiddenOnTheWay) {
    struct TCase {
        TFormBorderStyle Border;
        TFormStyle Style;
    };
    for (const TCase c : {TCase{bsSizeable, fsNormal}, TCase{bsNone, fsNormal}, TCase{bsNone, fsStayOnTop},
                          TCase{bsToolWindow, fsNormal}, TCase{bsDialog, fsStayOnTop}}) {
        std::unique_ptr<TLogForm> form(new TLogForm(nullptr));
        form->SetBorderStyle(c.Border);
        form->SetFormStyle(c.Style);
        THideCounter counter;
        form->Show();
        EXPECT_EQ(counter.Hides, 0) << "border " << static_cast<int>(c.Border) << ", style "
                                    << static_cast<int>(c.Style);
        EXPECT_EQ(counter.Shows, 1);
    }
}

TEST_F(TFormBehaviour, ActivationGoesToAModalFormAndComesBackWhenItCloses) {
    TSeamRecorder seam;
    std::unique_ptr<TLogForm> main(new TLogForm(nullptr, "Main"));
    std::unique_ptr<TLogForm> dialog(new TLogForm(nullptr, "Dialog"));
    main->Show();
    events.clear();
    seam.AnswerModal(mrOk);
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(events,
              (std::vector<std::string>{"Dialog show", "Main deactivate", "Dialog activate", "Dialog close",
                                        "Dialog hide", "Dialog deactivate", "Main activate"}));
    EXPECT_FALSE(dialog->Visible());
    ASSERT_EQ(seam.Of(TSeamRecorder::kShowModal).size(), 1u);
    EXPECT_EQ(seam.Entries[0].FormName, "Dialog");
    EXPECT_EQ(seam.Entries[0].Result, mrOk);
}

TEST_F(TFormBehaviour, AModalFormEndsWhenAButtonWithAModalResultIsClicked) {
    TSeamRecorder seam;
    std::unique_ptr<TLogForm> dialog(new TLogForm(nullptr, "Dialog"));
    seam.OnShowModal = [](TCustomForm* f) {
        auto* d = static_cast<TLogForm*>(f);
        ASSERT_TRUE(d->Visible());
        ASSERT_TRUE(d->FormState().Contains(fsModal));
        ClickAt(d->CancelButton->Widget(), QPoint(5, 5));
    };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_EQ(std::count(events.begin(), events.end(), "Dialog close"), 1);

    // Closing a modal form only sets its result; a refused close keeps it up.
    seam.OnShowModal = [](TCustomForm* f) { f->Close(); };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    dialog->Show();
    EXPECT_THROW(dialog->ShowModal(), EInvalidOperation);
}

TEST_F(TFormBehaviour, CloseActionsHideKeepOrFreeTheForm) {
    auto* form = new TLogForm(Application, "Other");
    auto* main = new TLogForm(nullptr, "Main");
    std::unique_ptr<TLogForm> mainOwner(main);
    main->Show();
    form->Show();

    form->Action = caNone;
    form->Close();
    EXPECT_TRUE(form->Visible());
    form->CanClose = false;
    events.clear();
    form->Close();
    EXPECT_TRUE(events.empty());
    form->CanClose = true;

    form->Action = caHide;
    form->Close();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(Screen->ActiveForm(), main);

    form->Show();
    form->Action = caFree;
    events.clear();
    form->Close();
    EXPECT_EQ(Application->ComponentCount(), 1); // freed only once the messages are handled
    Pump();
    EXPECT_EQ(Application->ComponentCount(), 0);
    EXPECT_NE(std::find(events.begin(), events.end(), "Other destroy"), events.end());
    EXPECT_EQ(Screen->ActiveForm(), main);
}

TEST_F(TFormBehaviour, ClosingTheMainFormTerminatesTheApplication) {
    TLogForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->MainForm(), main);
    main->Show();
    main->Close();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(main->Visible());
}

TEST_F(TFormBehaviour, TheWindowCloseBoxRunsClose) {
    std::unique_ptr<TLogForm> form(new TLogForm(nullptr));
    form->Show();
    QWidget* window = form->Widget()->window();
    QCloseEvent close;
    QApplication::sendEvent(window, &close);
    EXPECT_NE(std::find(events.begin(), events.end(), "Form close"), events.end());
    EXPECT_FALSE(form->Visible());
}

class TSelfCheckForm;
TSelfCheckForm* SelfCheckForm = nullptr;
bool referenceSetBeforeConstructor = false;

class TSelfCheckForm : public TForm {
public:
    explicit TSelfCheckForm(TComponent* owner) : TForm(owner) {
        referenceSetBeforeConstructor = SelfCheckForm == this;
    }
};

TEST_F(TFormBehaviour, CreateFormSetsTheReferenceBeforeTheConstructorRuns) {
    Application->CreateForm(SelfCheckForm);
    EXPECT_TRUE(referenceSetBeforeConstructor);
    EXPECT_EQ(Application->MainForm(), SelfCheckForm);
}

TEST_F(TFormBehaviour, PositionCentresOnTheScreenOrTheMainForm) {
    TLogForm* main = nullptr;
    Application->CreateForm(main);
    main->SetBounds(100, 50, 400, 300);
    main->Show();
    auto* screenCentred = new TLogForm(Application, "S");
    screenCentred->SetPosition(poScreenCenter);
    screenCentred->Show();
    EXPECT_EQ(screenCentred->Left(), (Screen->Width() - screenCentred->Width()) / 2);
    EXPECT_EQ(screenCentred->Top(), (Screen->Height() - screenCentred->Height()) / 2);
    auto* overMain = new TLogForm(Application, "M");
    overMain->SetPosition(poMainFormCenter);
    overMain->Show();
    EXPECT_EQ(overMain->Left(), 100 + (400 - overMain->Width()) / 2);
    EXPECT_EQ(overMain->Top(), 50 + (300 - overMain->Height()) / 2);
}

TEST_F(TFormBehaviour, ClientSizeStaysWhenTheBorderChanges) {
    std::unique_ptr<TLogForm> form(new TLogForm(nullptr));
    form->SetClientSize(220, 131);
    const int sizeableWidth = form->Width();
    form->SetBorderStyle(bsDialog);
    EXPECT_EQ(form->ClientWidth(), 220);
    EXPECT_EQ(form->ClientHeight(), 131);
    EXPECT_LT(form->Width(), sizeableWidth);
    form->SetBorderStyle(bsNone);
    EXPECT_EQ(form->Width(), 220);
    EXPECT_EQ(form->Height(), 131);
    EXPECT_EQ(form->Widget()->size(), QSize(220, 131));
}

struct TKeys : TObject {
    std::vector<std::string> seen;
    char swallow = 0;
    void FormKeyPress(TObject*, char& key) {
        seen.push_back(std::string("form ") + key);
        if (key == swallow) key = 0;
    }
    void EditKeyPress(TObject*, char& key) { seen.push_back(std::string("edit ") + key); }
};

TEST_F(TFormBehaviour, KeyPreviewLetsTheFormSeeAndSwallowKeysFirst) {
    std::unique_ptr<TLogForm> form(new TLogForm(nullptr));
    TKeys keys;
    keys.swallow = 'x';
    form->KeyPreview = true;
    form->OnKeyPress = TKeyPressEvent::Bind<&TKeys::FormKeyPress>(&keys);
    form->Edit->OnKeyPress = TKeyPressEvent::Bind<&TKeys::EditKeyPress>(&keys);
    QWidget* edit = form->Edit->Widget();
    SendKey(edit, QEvent::KeyPress, Qt::Key_A, "a");
    SendKey(edit, QEvent::KeyPress, Qt::Key_X, "x");
    EXPECT_EQ(keys.seen, (std::vector<std::string>{"form a", "edit a", "form x"}));
    EXPECT_EQ(form->Edit->Text(), "a");
}

TEST_F(TFormBehaviour, AFormWithoutAFocusedControlTakesTheKeysItself) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    TKeys keys;
    form->OnKeyPress = TKeyPressEvent::Bind<&TKeys::FormKeyPress>(&keys);
    form->Show();
    SendKey(form->Widget(), QEvent::KeyPress, Qt::Key_Q, "q");
    EXPECT_EQ(keys.seen, std::vector<std::string>{"form q"});
}

TEST_F(TFormBehaviour, EnterEscapeAndAccessKeysClickTheirButtons) {
    TSeamRecorder seam;
    std::unique_ptr<TLogForm> dialog(new TLogForm(nullptr, "Dialog"));
    seam.OnShowModal = [](TCustomForm* f) {
        PressKey(static_cast<TLogForm*>(f)->Edit->Widget(), Qt::Key_Return, "\r");
    };
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    seam.OnShowModal = [](TCustomForm* f) {
        PressKey(static_cast<TLogForm*>(f)->Edit->Widget(), Qt::Key_Escape, "\x1b");
    };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    seam.OnShowModal = [](TCustomForm* f) {
        auto* d = static_cast<TLogForm*>(f);
        d->OkButton->SetCaption("&Okay");
        SendKey(d->Edit->Widget(), QEvent::KeyPress, Qt::Key_O, "o", Qt::AltModifier);
    };
    EXPECT_EQ(dialog->ShowModal(), mrOk);
}

// A message window: a text and its one button, neither default nor cancel.
class TNoticeForm : public TForm {
public:
    explicit TNoticeForm(TComponent* owner) : TForm(owner) {
        Text = new TLabel(this);
        OkButton = new TButton(this);
        BeginLoading();
        SetName("Notice");
        SetClientSize(200, 100);
        Text->SetName("Text");
        Text->SetCaption("Input lost");
        Text->SetParent(this);
        OkButton->SetName("OkButton");
        OkButton->SetBounds(60, 60, 75, 25);
        OkButton->SetModalResult(mrOk);
        OkButton->SetParent(this);
        EndLoading();
    }
    TLabel* Text;
    TButton* OkButton;
};

TEST_F(TFormBehaviour, KeysReachTheFocusedControlOfAFormAsShown) {
    TSeamRecorder seam;
    std::unique_ptr<TNoticeForm> notice(new TNoticeForm(nullptr));
    std::unique_ptr<TLogForm> dialog(new TLogForm(nullptr, "Dialog"));
    struct TCase {
        const char* What;
        TCustomForm* Form;
        std::function<void(TCustomForm*)> Before;
        WORD Key;
        TModalResult Result;
    };
    const TCase cases[] = {
        // Without an active control the first control in tab order has the focus.
        {"Enter on the notice's only button", notice.get(), nullptr, VK_RETURN, mrOk},
        {"Space on the notice's only button", notice.get(), nullptr, VK_SPACE, mrOk},
        {"Enter in the edit: the default button", dialog.get(), nullptr, VK_RETURN, mrOk},
        {"Escape in the edit: the cancel button", dialog.get(), nullptr, VK_ESCAPE, mrCancel},
        // A focused push button takes Enter from the default button.
        {"Enter on the focused cancel button", dialog.get(),
         [](TCustomForm* f) { static_cast<TLogForm*>(f)->CancelButton->SetFocus(); }, VK_RETURN, mrCancel},
        {"a letter on the focused cancel button", dialog.get(),
         [](TCustomForm* f) { static_cast<TLogForm*>(f)->CancelButton->SetFocus(); }, 'X', mrNone},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TModalResult byKey = -1;
        TWinControl* focused = nullptr;
        seam.OnShowModal = [&](TCustomForm* f) {
            if (c.Before) c.Before(f);
            focused = f->ActiveControl();
            TSeamRecorder::PressKey(f, c.Key);
            byKey = f->ModalResult();
        };
        c.Form->ShowModal();
        EXPECT_EQ(byKey, c.Result);
        EXPECT_NE(focused, nullptr);
        // The next showing starts again without an active control.
        c.Form->SetActiveControl(nullptr);
    }
}

// A window procedure that answers the size-limit query: it records the system's proposal and
// leaves its own tracking sizes.
struct TSizeLimiter {
    TWindowProcMethod previous;
    int asked = 0;
    MINMAXINFO proposal{};
    POINT minTrack{150, 100};
    POINT maxTrack{400, 300};
    void Proc(TMessage& m) {
        previous(m);
        if (m.Msg != WM_GETMINMAXINFO) return;
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        ++asked;
        proposal = *info;
        info->ptMinTrackSize = minTrack;
        info->ptMaxTrackSize = maxTrack;
    }
};

TEST(TFormSizeLimits, TheWindowIsAskedBeforeItShowsAndItsTrackingSizesHold) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(10, 10, 500, 50);
    TSizeLimiter limiter{form->WindowProc};
    form->WindowProc = TWindowProcMethod::Bind<&TSizeLimiter::Proc>(&limiter);
    form->Show();
    ASSERT_GT(limiter.asked, 0) << "asked before the form shows";
    // The proposal: the smallest tracking size, the screen and the work area with the sizing
    // border (4 pixels) outside.
    RECT work{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(limiter.proposal.ptMinTrackSize.x, 112);
    EXPECT_EQ(limiter.proposal.ptMinTrackSize.y, 27);
    EXPECT_EQ(limiter.proposal.ptMaxTrackSize.x, Screen->Width() + 8);
    EXPECT_EQ(limiter.proposal.ptMaxTrackSize.y, Screen->Height() + 8);
    EXPECT_EQ(limiter.proposal.ptMaxSize.x, work.right - work.left + 8);
    EXPECT_EQ(limiter.proposal.ptMaxSize.y, work.bottom - work.top + 8);
    EXPECT_EQ(limiter.proposal.ptMaxPosition.x, work.left - 4);
    EXPECT_EQ(limiter.proposal.ptMaxPosition.y, work.top - 4);
    // Shown within the limits.
    EXPECT_EQ(form->Width(), 400);
    EXPECT_EQ(form->Height(), 100);

    // The frame holds the client area: the window less 4 on each side and the 19-pixel caption.
    QWidget* frame = form->Widget()->window();
    EXPECT_EQ(frame->minimumSize(), QSize(150 - 8, 100 - 27));
    EXPECT_EQ(frame->maximumSize(), QSize(400 - 8, 300 - 27));

    // The program's sizes keep to them too.
    form->SetBounds(20, 20, 1000, 20);
    EXPECT_EQ(form->Width(), 400);
    EXPECT_EQ(form->Height(), 100);
    form->SetClientSize(10, 250);
    EXPECT_EQ(form->Width(), 150);
    EXPECT_EQ(form->Height(), 277);

    // The user drags the window: the window system keeps it within them, and the form hears of the
    // size it got. A new answer holds for the next drag.
    frame->resize(1000, 1000);
    QApplication::processEvents();
    EXPECT_EQ(frame->size(), QSize(392, 273));
    EXPECT_EQ(form->Width(), 400);
    EXPECT_EQ(form->Height(), 300);
    limiter.maxTrack = POINT{350, 250};
    frame->resize(380, 260);
    QApplication::processEvents();
    EXPECT_EQ(frame->maximumSize(), QSize(342, 223));
    EXPECT_EQ(form->Width(), 350);
    EXPECT_EQ(form->Height(), 250);

    // Maximized, the window asks for no more than its maximized size (the window manager may
    // still choose otherwise).
    struct TMaxSize {
        TWindowProcMethod previous;
        void Proc(TMessage& m) {
            previous(m);
            if (m.Msg == WM_GETMINMAXINFO)
                reinterpret_cast<MINMAXINFO*>(m.LParam)->ptMaxSize = POINT{300, 200};
        }
    } maxSize{form->WindowProc};
    form->WindowProc = TWindowProcMethod::Bind<&TMaxSize::Proc>(&maxSize);
    form->SetBounds(20, 20, 200, 150);
    form->SetWindowState(wsMaximized);
    EXPECT_EQ(frame->maximumSize(), QSize(300 - 8, 200 - 27));
    form->WindowProc = maxSize.previous;
    form->WindowProc = limiter.previous;
}

TEST(TFormSizeLimits, WithoutAnAnswerOfItsOwnAFormKeepsTheSizeTheProgramGave) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(10, 10, 48, 40);
    form->Show();
    EXPECT_EQ(form->Width(), 48);
    EXPECT_EQ(form->Height(), 40);
    QWidget* frame = form->Widget()->window();
    // The proposal still limits the user's dragging, as far as the program's size allows.
    EXPECT_EQ(frame->minimumSize(), QSize(40, 0));
    EXPECT_EQ(frame->maximumSize(), QSize(Screen->Width(), Screen->Height() + 8 - 27));
    // A popup keeps any size even with an answer.
    std::unique_ptr<TForm> popup(new TForm(nullptr));
    popup->SetBorderStyle(bsNone);
    TSizeLimiter limiter{popup->WindowProc};
    popup->WindowProc = TWindowProcMethod::Bind<&TSizeLimiter::Proc>(&limiter);
    popup->Show();
    popup->SetBounds(0, 0, 600, 30);
    EXPECT_GT(limiter.asked, 0);
    EXPECT_EQ(popup->Width(), 600);
    EXPECT_EQ(popup->Height(), 30);
    popup->WindowProc = limiter.previous;
}

} // namespace
