// The loader's windows publish their handlers by name: every event the windows bind is one they
// publish, and the main window's port, terminal and status lights, written with it, read back
// bound to the handlers of the window that reads them.
#include "support/LoaderTest.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <string>
#include <vector>

namespace {

// The main window writing the components the test names as its children.
class TStreamedQuillonForm : public TQuillonForm {
public:
    using TQuillonForm::TQuillonForm;
    void GetChildren(TGetChildProc Proc, TComponent*) override {
        for (const std::string& name : Streamed) Proc(FindComponent(name));
    }
    std::vector<std::string> Streamed;
};

class QuillonPublished : public LoaderTest {
protected:
    QuillonPublished() { CreateFormsInSetUp = false; }
};

// The published name of a handler bound to form; "" for none, "(elsewhere)" for another object's.
std::string HandlerName(TComponent* form, const TRawMethod& m) {
    if (!m.Code) return "";
    return m.Data == form ? MethodName(form, m.Code) : "(elsewhere)";
}

// Every published event of the form's components that is bound to the form names a method the form
// publishes (so it streams).
void ExpectEveryHandlerPublished(TComponent* form) {
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* c = form->Components(i);
        for (const TPropInfo* p : GetPropList(c)) {
            if (p->Kind != TTypeKind::tkMethod) continue;
            const TRawMethod m = p->GetMethod(c);
            if (m.Code && m.Data == form) {
                EXPECT_NE(HandlerName(form, m), "")
                    << form->ClassName() << "." << c->Name() << "." << p->Name;
            }
        }
    }
}

} // namespace

TEST_F(QuillonPublished, EveryWindowPublishesTheHandlersItBinds) {
    CreateForms();
    for (TComponent* form :
         std::vector<TComponent*>{Main(), ProgressForm, ClientSocketForm, SplashForm, InfoForm})
        ExpectEveryHandlerPublished(form);
    EXPECT_EQ(MethodName(Main(), ToRawMethod(Main()->VexComPort1->OnTriggerAvail()).Code),
              "VexComPort1TriggerAvail");
    EXPECT_EQ(MethodName(Main(), ToRawMethod(Main()->VxTerminal1->OnKeyPress).Code), "VxTerminal1CharTyped");
}

TEST_F(QuillonPublished, MainWindowComponentsReadBackBoundToItsHandlers) {
    const std::vector<std::string> streamed = {"VexStatusLight1", "VexStatusLight2", "VexStatusLight3",
                                               "VexStatusLight4", "VexComPort1",     "VxTerminal1",
                                               "VexSLController1"};
    TStreamedQuillonForm written(nullptr);
    written.Streamed = streamed;
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&written);
    EXPECT_NE(stream.DataString().find("VexComPort1TriggerAvail"), std::string::npos);

    // Read into another main window: the components come back as new ones beside its own.
    TStreamedQuillonForm reading(nullptr);
    const int before = reading.ComponentCount();
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&reading);
    ASSERT_EQ(reading.ComponentCount(), before + static_cast<int>(streamed.size()));
    for (int i = 0; i < static_cast<int>(streamed.size()); ++i) {
        TComponent* back = reading.Components(before + i);
        TComponent* original = written.FindComponent(streamed[static_cast<std::size_t>(i)]);
        ASSERT_EQ(back->Name(), original->Name());
        ASSERT_EQ(back->ClassName(), original->ClassName());
        for (const TPropInfo* p : GetPropList(back)) {
            SCOPED_TRACE(back->Name() + "." + p->Name);
            // A place among a parent's controls: the reader gives a control no parent.
            if (p->Name == "TabOrder") continue;
            if (p->Kind == TTypeKind::tkMethod) {
                EXPECT_EQ(HandlerName(&reading, p->GetMethod(back)),
                          HandlerName(&written, p->GetMethod(original)));
            } else if (p->Kind == TTypeKind::tkLString || p->Kind == TTypeKind::tkString) {
                EXPECT_EQ(p->GetStr(back), p->GetStr(original));
            } else if (p->Kind != TTypeKind::tkClass && p->Kind != TTypeKind::tkFloat &&
                       p->IsStored(original)) {
                EXPECT_EQ(p->GetOrd(back), p->GetOrd(original));
            }
        }
    }
    auto* port = static_cast<TVexComPort*>(reading.Components(before + 4));
    EXPECT_EQ(HandlerName(&reading, ToRawMethod(port->OnTriggerAvail())), "VexComPort1TriggerAvail");
    EXPECT_EQ(port->Baud(), 38400);
    EXPECT_EQ(port->BufferFull(), 7000);
    EXPECT_EQ(port->BufferResume(), 400);
    auto* terminal = static_cast<TVxTerminal*>(reading.Components(before + 5));
    EXPECT_EQ(HandlerName(&reading, ToRawMethod(terminal->OnKeyPress)), "VxTerminal1CharTyped");
    EXPECT_EQ(HandlerName(&reading, ToRawMethod(terminal->OnDblClick)), "VxTerminal1DblClick");
    EXPECT_EQ(terminal->Rows(), 16);
    EXPECT_EQ(terminal->ScrollbackRows(), 100);
    ASSERT_NE(terminal->ComPort(), nullptr);
    EXPECT_EQ(terminal->ComPort()->Name(), "VexComPort1");
    auto* controller = static_cast<TVexSLController*>(reading.Components(before + 6));
    ASSERT_NE(controller->Lights()->TXDLight(), nullptr);
    EXPECT_EQ(controller->Lights()->TXDLight()->Name(), "VexStatusLight4");
}
