#include "communications/VxSelCom.h"
#include "communications/tests/support/TestPty.h"

#include "communications/VxExcept.h"
#include "communications/VxPort.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

struct TProbeSettings {
    bool UseDispatcher;
};

class IsPortAvailableTest : public ::testing::TestWithParam<TProbeSettings> {
protected:
    void SetUp() override {
        MainThreadId();
        UseDispatcherForAvail = GetParam().UseDispatcher;
        setenv("VEXO_COM72", "/nonexistent/tty", 1);
    }
    void TearDown() override {
        UseDispatcherForAvail = true;
        ShowPortsInUse = true;
        unsetenv("VEXO_COM72");
    }
    TPty Pty{71};
};

TEST_P(IsPortAvailableTest, ZeroIsNeverAvailable) {
    EXPECT_FALSE(IsPortAvailable(0));
}

TEST_P(IsPortAvailableTest, FreeAndMissingPorts) {
    EXPECT_TRUE(IsPortAvailable(71));
    EXPECT_FALSE(IsPortAvailable(72));
    ShowPortsInUse = false;
    EXPECT_TRUE(IsPortAvailable(71));
    EXPECT_FALSE(IsPortAvailable(72));
}

TEST_P(IsPortAvailableTest, PortInUseCountsOnlyWhenShown) {
    TVexComPort holder(nullptr);
    holder.SetComNumber(71);
    holder.SetOpen(true);
    ASSERT_EQ(holder.PortState(), psOpen);
    EXPECT_TRUE(IsPortAvailable(71));
    ShowPortsInUse = false;
    EXPECT_FALSE(IsPortAvailable(71));
    holder.SetOpen(false);
    EXPECT_TRUE(IsPortAvailable(71));
}

// The probe lets the port go at once and leaves no dispatcher behind.
TEST_P(IsPortAvailableTest, ProbeReleasesThePort) {
    LockPortList();
    const std::size_t slots = PortList.size();
    UnlockPortList();
    ASSERT_TRUE(IsPortAvailable(71));
    LockPortList();
    EXPECT_EQ(PortList.size(), slots);
    UnlockPortList();

    TVexComPort port(nullptr);
    port.SetComNumber(71);
    port.SetOpen(true);
    EXPECT_EQ(port.PortState(), psOpen);
}

INSTANTIATE_TEST_SUITE_P(Probes, IsPortAvailableTest,
                         ::testing::Values(TProbeSettings{true}, TProbeSettings{false}),
                         [](const auto& probe) {
                             return probe.param.UseDispatcher ? "Dispatcher" : "PlainOpen";
                         });

// --- The port-choice dialog ---------------------------------------------------------------------

// COM1 to COM50 point nowhere except the ones given, which are pseudo-terminals; so is COM51.
class ComSelectForm : public ::testing::Test {
protected:
    void SetUp() override {
        Application->Initialize();
        for (int n = 1; n <= 51; ++n) setenv(Variable(n).c_str(), "/nonexistent/tty", 1);
    }
    void TearDown() override {
        Ptys.clear();
        for (int n = 1; n <= 51; ++n) unsetenv(Variable(n).c_str());
    }
    static std::string Variable(int n) { return "VEXO_COM" + std::to_string(n); }
    void Provide(std::initializer_list<int> numbers) {
        for (int n : numbers) Ptys.push_back(std::make_unique<TPty>(n));
    }
    std::unique_ptr<TComSelectForm> NewForm() { return std::make_unique<TComSelectForm>(nullptr); }

    std::vector<std::unique_ptr<TPty>> Ptys;
};

TEST_F(ComSelectForm, ListsTheAvailablePortsUpToCom50) {
    Provide({12, 3, 51});
    auto form = NewForm();
    EXPECT_EQ(form->Caption(), "Select Port");
    EXPECT_EQ(form->ClientWidth(), 220);
    EXPECT_EQ(form->ClientHeight(), 131);
    EXPECT_EQ(form->Label1->Caption(), "The configured serial port is not valid.");
    EXPECT_EQ(form->Label2->Caption(), "Please choose another port.");
    EXPECT_EQ(form->OkBtn->Caption(), "OK");
    EXPECT_TRUE(form->OkBtn->Default());
    EXPECT_EQ(form->OkBtn->ModalResult(), mrOk);
    EXPECT_EQ(form->AbortBtn->Caption(), "Cancel");
    EXPECT_EQ(form->AbortBtn->ModalResult(), mrCancel);
    EXPECT_EQ(form->PortsComboBox->Style(), csDropDownList);

    ASSERT_EQ(form->PortsComboBox->Items()->Count(), 2);
    EXPECT_EQ(form->PortsComboBox->Items()->Strings(0), "COM3");
    EXPECT_EQ(form->PortsComboBox->Items()->Strings(1), "COM12");
    EXPECT_TRUE(form->OkBtn->Enabled());
    EXPECT_EQ(form->SelectedCom(), "COM3");
    EXPECT_EQ(form->SelectedComNum(), 3);
    form->PortsComboBox->SetItemIndex(1);
    EXPECT_EQ(form->SelectedComNum(), 12);
}

// Nothing to choose: OK is refused and nothing is chosen.
TEST_F(ComSelectForm, WithNoPortThereIsNothingToConfirm) {
    auto form = NewForm();
    EXPECT_EQ(form->PortsComboBox->Items()->Count(), 0);
    EXPECT_FALSE(form->OkBtn->Enabled());
    EXPECT_EQ(form->SelectedCom(), "");
    EXPECT_EQ(form->SelectedComNum(), 0);
}

TEST_F(ComSelectForm, PortWithoutNumberAsksTheUser) {
    Provide({3, 12});
    TSeamRecorder seam;
    TVexComPort port(nullptr);

    seam.AnswerModal(mrCancel);
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.ComNumber(), 0);

    seam.OnShowModal = [](TCustomForm* f) {
        auto* form = static_cast<TComSelectForm*>(f);
        form->PortsComboBox->SetItemIndex(1);
        form->OkBtn->Click();
    };
    port.SetOpen(true);
    EXPECT_EQ(port.ComNumber(), 12);
    EXPECT_EQ(port.PortState(), psOpen);
    ASSERT_EQ(seam.Of(TSeamRecorder::kShowModal).size(), 2u);
    EXPECT_EQ(seam.Entries.back().Caption, "Select Port");
    port.SetOpen(false);
}

TEST_F(ComSelectForm, ConfirmingAnEmptyListChoosesNothing) {
    TSeamRecorder seam;
    seam.AnswerModal(mrOk);
    TVexComPort port(nullptr);
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
    EXPECT_EQ(port.ComNumber(), 0);
    EXPECT_EQ(port.PortState(), psClosed);
}

} // namespace
