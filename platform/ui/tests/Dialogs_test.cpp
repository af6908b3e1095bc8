// Message boxes, the open dialog, menus and program exit through the seam.
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Menus.h"
#include "platform/ui/SeamRecorder.h"
#include "support/UiTest.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Fixture : ::testing::Test {
    TSeamRecorder seam;
    TEventLog log;
    void SetUp() override {
        Application->ResetTerminated();
        Application->SetTitle("Dorvex");
    }
    void TearDown() override {
        Application->ResetTerminated();
        Application->SetTitle("");
    }
};

using DialogSeam = Fixture;

TEST_F(DialogSeam, MessageDlgCaptionsButtonsAndDefaultAnswers) {
    struct Case {
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        std::string caption;
        std::vector<TMsgDlgBtn> shown;
        int answer;
    };
    const Case cases[] = {
        {mtError, {mbOK}, "Error", {mbOK}, mrOk},
        {mtWarning, {mbCancel, mbOK}, "Warning", {mbOK, mbCancel}, mrOk},
        {mtConfirmation, {mbNo, mbYes}, "Confirmation", {mbYes, mbNo}, mrYes},
        {mtInformation, {mbAbort, mbIgnore, mbRetry}, "Information", {mbAbort, mbRetry, mbIgnore}, mrAbort},
        {mtCustom, {mbOK}, "Dorvex", {mbOK}, mrOk},
    };
    for (const Case& c : cases) {
        seam.Clear();
        EXPECT_EQ(MessageDlg(" Invalid IP Address \"1.2.3\". Enter a valid one and try again.", c.type,
                             c.buttons, 0),
                  c.answer);
        ASSERT_EQ(seam.Entries.size(), 1u);
        const TMessageBoxRequest& box = seam.Entries[0].Box;
        EXPECT_EQ(box.Kind, TMessageBoxRequest::MessageDlg);
        EXPECT_EQ(box.Caption, c.caption);
        EXPECT_EQ(box.Buttons, c.shown);
        EXPECT_EQ(box.Text, " Invalid IP Address \"1.2.3\". Enter a valid one and try again.");
    }
    seam.AnswerBox(mbNo);
    EXPECT_EQ(MessageDlg("Sure?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
}

TEST_F(DialogSeam, MessageBoxFlagsChooseButtonsIconAndDefault) {
    struct Case {
        UINT flags;
        std::vector<TMsgDlgBtn> buttons;
        TMsgDlgType type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, {mbOK}, mtCustom, IDOK},
        {MB_OKCANCEL | MB_ICONWARNING, {mbOK, mbCancel}, mtWarning, IDOK},
        {MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, {mbYes, mbNo}, mtConfirmation, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONSTOP, {mbYes, mbNo, mbCancel}, mtError, IDCANCEL},
        {MB_RETRYCANCEL | MB_ICONINFORMATION, {mbRetry, mbCancel}, mtInformation, IDRETRY},
    };
    for (const Case& c : cases) {
        seam.Clear();
        EXPECT_EQ(MessageBox(0, "text", "caption", c.flags), c.answer);
        EXPECT_EQ(seam.Entries.at(0).Box.Buttons, c.buttons);
        EXPECT_EQ(seam.Entries.at(0).Box.DlgType, c.type);
    }
}

TEST_F(DialogSeam, ShowMessageUsesTheApplicationTitle) {
    ShowMessage("Cannot read PIP information");
    ASSERT_EQ(seam.Entries.size(), 1u);
    EXPECT_EQ(seam.Entries[0].Box.Kind, TMessageBoxRequest::ShowMessage);
    EXPECT_EQ(seam.Entries[0].Caption, "Dorvex");
    EXPECT_EQ(seam.Entries[0].Box.Buttons, std::vector<TMsgDlgBtn>{mbOK});
}

TEST_F(DialogSeam, OpenDialogReturnsTheChosenFileOrNothing) {
    TOpenDialog dialog(nullptr);
    dialog.Filter = "Script files (*.sld)|*.sld|All files (*.*)|*.*";
    dialog.FileName = "old.sld";
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "old.sld");
    seam.AnswerOpen("/tmp/scripts/load.sld");
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/tmp/scripts/load.sld");
    EXPECT_EQ(seam.Of(TSeamRecorder::kOpenDialog).size(), 2u);
}

TEST_F(DialogSeam, FontDialogChangesItsFontOnlyWhenTheUserAccepts) {
    TFontDialog dialog(nullptr);
    dialog.SetName("FontDialog1");
    dialog.OnShow = TNotifyEvent::Bind<&TEventLog::Notify>(&log);
    dialog.OnClose = TNotifyEvent::Bind<&TEventLog::Notify>(&log);
    TFont start;
    start.SetName("Courier New");
    start.SetSize(10);
    start.SetColor(clSilver);
    dialog.SetFont(&start);

    // Cancelled (and with no answer at all): the font stays as it was.
    seam.CancelFont();
    EXPECT_FALSE(dialog.Execute());
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Font()->Name(), "Courier New");
    EXPECT_EQ(dialog.Font()->Size(), 10);

    seam.AnswerFont({"DejaVu Sans Mono", 14, TFontStyles{fsBold}, std::nullopt});
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Font()->Name(), "DejaVu Sans Mono");
    EXPECT_EQ(dialog.Font()->Size(), 14);
    EXPECT_EQ(dialog.Font()->Style(), TFontStyles{fsBold});
    EXPECT_EQ(dialog.Font()->Color(), clSilver);

    const auto asked = seam.Of(TSeamRecorder::kFontDialog);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].Caption, "Courier New");
    EXPECT_EQ(asked[2].FontSize, 10);
    EXPECT_EQ(asked[2].Result, 1);
    EXPECT_EQ(asked[0].Result, 0);
    EXPECT_EQ(log.Events.size(), 6u);
    // The dialog holds a copy: the font it was given is untouched.
    EXPECT_EQ(start.Name(), "Courier New");
}

TEST_F(DialogSeam, ProgramExitIsRecordedAndEndsTheApplicationLoop) {
    ExitProcess(0);
    Halt(3);
    const auto exits = seam.Of(TSeamRecorder::kExit);
    ASSERT_EQ(exits.size(), 2u);
    EXPECT_EQ(exits[0].ExitCode, 0);
    EXPECT_EQ(exits[1].ExitCode, 3);
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(DialogSeam, PopupMenuChoosesAnItemInASubMenu) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* menu = new TPopupMenu(form.get());
    auto* rename = new TMenuItem(form.get());
    rename->SetCaption("Rename");
    auto* edit = new TMenuItem(form.get());
    edit->SetName("New");
    edit->SetCaption("Edit");
    edit->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    auto* disabled = new TMenuItem(form.get());
    disabled->SetCaption("Default");
    disabled->SetEnabled(false);
    disabled->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    menu->Items()->Add(rename);
    rename->Add(edit);
    rename->Add(disabled);
    seam.AnswerPopup("Rename|Edit");
    seam.AnswerPopup("Rename|Default");
    menu->Popup(10, 10);
    menu->Popup(10, 10);
    EXPECT_EQ(log.Joined(), "click New");
}

TEST_F(DialogSeam, MainMenuBecomesTheWindowsMenuBarAndItsActionsClickItems) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetClientSize(526, 425);
    auto* menu = new TMainMenu(form.get());
    auto* exit = new TMenuItem(form.get());
    exit->SetName("ExitMenu");
    exit->SetCaption("E&xit");
    exit->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    auto* terminal = new TMenuItem(form.get());
    terminal->SetCaption("&Terminal");
    auto* visible = new TMenuItem(form.get());
    visible->SetName("VisibleMenu");
    visible->SetCaption("Visible");
    visible->SetChecked(true);
    visible->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&log);
    terminal->Add(visible);
    menu->Items()->Add(exit);
    menu->Items()->Add(terminal);
    form->SetMenu(menu);
    EXPECT_EQ(form->ClientWidth(), 526);
    EXPECT_EQ(form->ClientHeight(), 425);

    QWidget* window = form->Widget()->window();
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    const auto top = bar->actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), QStringLiteral("E&xit"));
    top[0]->trigger();
    QMenu* sub = top[1]->menu();
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->actions().size(), 1);
    EXPECT_TRUE(sub->actions()[0]->isChecked());
    sub->actions()[0]->trigger();
    EXPECT_EQ(log.Joined(), "click ExitMenu, click VisibleMenu");
    EXPECT_TRUE(visible->Checked()); // only AutoCheck items toggle themselves

    // The bar follows changes of the items.
    visible->SetVisible(false);
    QMenuBar* current = nullptr;
    for (QMenuBar* b : window->findChildren<QMenuBar*>())
        if (!b->isHidden()) current = b;
    ASSERT_NE(current, nullptr);
    EXPECT_TRUE(current->actions()[1]->menu()->actions().isEmpty());
}

} // namespace
