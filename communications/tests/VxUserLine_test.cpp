// Line settings, modem and line status and flow control of the dispatcher, through the in-memory
// device.
#include "communications/VxErrors.h"
#include "communications/VxUser.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LineTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainThreadId();
        ASSERT_EQ(Disp.Open(), ecOK);
    }

    // Changes the device's own control block, as another program or the driver would.
    template <class Change> void DeviceHas(Change change) {
        DCB dcb = Disp.DeviceDCB();
        change(dcb);
        Disp.SetDeviceDCB(dcb);
    }
    std::vector<int> NewEscapes(std::size_t since) {
        const auto all = Disp.Escapes();
        return std::vector<int>(all.begin() + static_cast<std::ptrdiff_t>(since), all.end());
    }

    TMemoryDispatcher Disp;
};

// --- Line ---------------------------------------------------------------------------------------

TEST_F(LineTest, ChangeBaudChangesOnlyTheBaud) {
    DeviceHas([](DCB& d) {
        d.Parity = EVENPARITY;
        d.ByteSize = 7;
        d.StopBits = TWOSTOPBITS;
        d.XonChar = 'q';
        d.fOutX = 1;
    });
    ASSERT_EQ(Disp.ChangeBaud(19200), ecOK);
    const DCB d = Disp.DeviceDCB();
    EXPECT_EQ(d.BaudRate, 19200u);
    EXPECT_EQ(d.Parity, EVENPARITY);
    EXPECT_EQ(d.ByteSize, 7);
    EXPECT_EQ(d.StopBits, TWOSTOPBITS);
    EXPECT_EQ(d.XonChar, 'q') << "fields the line does not name stay as the device has them";
    EXPECT_EQ(d.fOutX, 1u);
    EXPECT_EQ(d.fDtrControl, DTR_CONTROL_ENABLE) << "DTR and RTS as the dispatcher holds them";
    EXPECT_EQ(d.fRtsControl, RTS_CONTROL_ENABLE);
}

TEST_F(LineTest, TheSameLineIsNotAppliedAgain) {
    const int calls = Disp.SetComStateCalls();
    EXPECT_EQ(Disp.SetLine(9600, NOPARITY, 1, 8), ecOK);
    EXPECT_EQ(Disp.SetLine(0, 5, 3, 9), ecOK);
    EXPECT_EQ(Disp.SetComStateCalls(), calls);
}

TEST_F(LineTest, DeviceFailureIsPassedBack) {
    Disp.SetComStateResult(-31);
    EXPECT_EQ(Disp.ChangeBaud(2400), -31);
    EXPECT_EQ(Disp.HWFlowOptions(100, 10, hwfUseRTS), -31);
}

struct StopCase {
    BYTE deviceSize;
    BYTE stop;
    BYTE data;
    BYTE expectedStop;
    BYTE expectedSize;
};

class StopBitsTest : public LineTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopBitsTest, StopBitsFollowTheDataBits) {
    const StopCase& c = GetParam();
    DeviceHas([&](DCB& d) {
        d.ByteSize = c.deviceSize;
        d.StopBits = ONESTOPBIT;
    });
    ASSERT_EQ(Disp.SetLine(57600, 5, c.stop, c.data), ecOK);
    const DCB d = Disp.DeviceDCB();
    EXPECT_EQ(d.StopBits, c.expectedStop);
    EXPECT_EQ(d.ByteSize, c.expectedSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StopBitsTest,
    ::testing::Values(StopCase{8, 0, 8, ONESTOPBIT, 8}, StopCase{8, 2, 8, TWOSTOPBITS, 8},
                      StopCase{8, 4, 8, TWOSTOPBITS, 8}, StopCase{8, 3, 7, ONESTOPBIT, 7},
                      // Five data bits given: 1.5 stop bits whatever is asked.
                      StopCase{8, 1, 5, ONE5STOPBITS, 5}, StopCase{8, 3, 5, ONE5STOPBITS, 5},
                      // Five kept from the device: 1.5 unless the stop bits are kept.
                      StopCase{5, 2, 9, ONE5STOPBITS, 5}, StopCase{5, 3, 9, ONESTOPBIT, 5}));

struct BaudCase {
    DWORD code;
    DWORD rate;
};

class BaudCodeTest : public LineTest, public ::testing::WithParamInterface<BaudCase> {};

TEST_P(BaudCodeTest, GetLineDecodesTheDevicesBaud) {
    DeviceHas([&](DCB& d) {
        d.BaudRate = GetParam().code;
        d.Parity = ODDPARITY;
        d.StopBits = ONE5STOPBITS;
        d.ByteSize = 7;
    });
    DWORD baud = 0;
    BYTE parity = 0, stop = 0, data = 0;
    Disp.GetLine(baud, parity, stop, data);
    EXPECT_EQ(baud, GetParam().rate);
    EXPECT_EQ(parity, ODDPARITY);
    EXPECT_EQ(stop, 2) << "1.5 stop bits read as 2";
    EXPECT_EQ(data, 7);
}

INSTANTIATE_TEST_SUITE_P(Codes, BaudCodeTest,
                         ::testing::Values(BaudCase{0xFEFF, 115200}, BaudCase{0xFF10, 110},
                                           BaudCase{0xFF12, 600}, BaudCase{0xFF1B, 38400},
                                           BaudCase{0xFF27, 256000}, BaudCase{0xFF19, 0xFF19},
                                           BaudCase{57600, 57600}));

TEST(TxSentDelay, EighteenCharactersAtTheLastBaud) {
    DCB d;
    d.ByteSize = 8;
    EXPECT_EQ(TxSentDelayMs(9600, d), 19u) << "1041 x 10 x 18 = 187,380 units of 100 ns";
    EXPECT_EQ(TxSentDelayMs(0xFEFF, d), 2u);
    EXPECT_EQ(TxSentDelayMs(0xFF27, d), 2u) << "below 1 ms: doubled, 7,020 -> 14,040";
    d.ByteSize = 7;
    d.Parity = EVENPARITY;
    d.StopBits = TWOSTOPBITS;
    EXPECT_EQ(TxSentDelayMs(9600, d), 21u);
    EXPECT_EQ(TxSentDelayMs(0, d), 0u);
}

// --- DTR, RTS, break ----------------------------------------------------------------------------

TEST_F(LineTest, DtrAndRtsFollowTheirSetters) {
    EXPECT_EQ(Disp.SetDtr(false), ecOK);
    EXPECT_FALSE(Disp.DtrOn());
    EXPECT_EQ(Disp.SetModem(true, false), ecOK);
    EXPECT_TRUE(Disp.DtrOn());
    EXPECT_FALSE(Disp.RtsOn());

    // A refusal is reported, the wanted state is kept and applied with the next line.
    Disp.FailEscapes(true);
    const std::size_t before = Disp.Escapes().size();
    EXPECT_EQ(Disp.SetModem(false, true), ecBadArgument);
    EXPECT_EQ(NewEscapes(before), std::vector<int>{CLRDTR}) << "RTS is left alone after a failure";
    Disp.FailEscapes(false);
    ASSERT_EQ(Disp.ChangeBaud(38400), ecOK);
    EXPECT_EQ(Disp.DeviceDCB().fDtrControl, DTR_CONTROL_DISABLE);
    EXPECT_FALSE(Disp.DtrOn());
}

TEST_F(LineTest, BreakInRs485ModeRaisesAndDropsRts) {
    Disp.SetBreak(true);
    EXPECT_TRUE(Disp.BreakOn());
    Disp.SetBreak(false);
    EXPECT_FALSE(Disp.BreakOn());

    Disp.SetRS485Mode(true);
    std::size_t before = Disp.Escapes().size();
    Disp.SendBreak(0, false);
    EXPECT_EQ(NewEscapes(before), (std::vector<int>{SETRTS, SETBREAK, CLRBREAK, CLRRTS}));

    Disp.SetBytesWaitingOut(10);
    before = Disp.Escapes().size();
    Disp.SetBreak(true);
    Disp.SetBreak(false);
    EXPECT_EQ(NewEscapes(before), (std::vector<int>{SETRTS, SETBREAK, CLRBREAK}))
        << "output still waits: RTS stays";
    EXPECT_TRUE(Disp.RtsOn());
}

// --- Modem and line status ----------------------------------------------------------------------

TEST_F(LineTest, ModemChangesStayUntilRead) {
    Disp.ChangeModemLines(MS_CTS_ON | MS_RLSD_ON);
    EXPECT_EQ(Disp.GetModemStatusPrim(0xFF), ModemCts | ModemDcd | ModemDeltaCts | ModemDeltaDcd);
    EXPECT_TRUE(Disp.CheckCTS());
    EXPECT_FALSE(Disp.CheckDeltaCTS()) << "CheckCTS cleared its change bit";
    EXPECT_TRUE(Disp.CheckDeltaDCD());
    EXPECT_FALSE(Disp.CheckDeltaDCD());
    EXPECT_TRUE(Disp.CheckDCD());
    EXPECT_FALSE(Disp.CheckDSR());

    Disp.ChangeModemLines(MS_DSR_ON | MS_RING_ON);
    EXPECT_EQ(Disp.GetModemStatus(),
              ModemDsr | ModemRi | ModemDeltaCts | ModemDeltaDsr | ModemTrailingRi | ModemDeltaDcd);
    EXPECT_EQ(Disp.GetModemStatus(), ModemDsr | ModemRi) << "GetModemStatus clears every change bit";
    EXPECT_TRUE(Disp.CheckRI());

    Disp.SignalRingTrailingEdge();
    EXPECT_TRUE(Disp.CheckDeltaRI());
    EXPECT_FALSE(Disp.CheckDeltaRI());
}

struct LineErrorCase {
    DWORD bits;
    int code;
    DWORD left; // what a second GetLineError and CheckLineBreak still see
};

class LineErrorTest : public LineTest, public ::testing::WithParamInterface<LineErrorCase> {};

TEST_P(LineErrorTest, FirstErrorIsReportedAndAllButABreakCleared) {
    const LineErrorCase& c = GetParam();
    Disp.SetDeviceErrors(static_cast<int>(c.bits));
    Disp.RefreshStatus();
    EXPECT_EQ(Disp.GetLineError(), c.code);
    EXPECT_EQ(Disp.GetLineError(), c.left != 0 ? leBreak : leNone);
    EXPECT_EQ(Disp.CheckLineBreak(), c.left != 0);
    EXPECT_FALSE(Disp.CheckLineBreak());
    EXPECT_EQ(Disp.GetLineError(), leNone);
}

INSTANTIATE_TEST_SUITE_P(Errors, LineErrorTest,
                         ::testing::Values(LineErrorCase{0, leNone, 0}, LineErrorCase{CE_RXOVER, leBuffer, 0},
                                           LineErrorCase{CE_OVERRUN | CE_RXPARITY, leOverrun, 0},
                                           LineErrorCase{CE_RXPARITY | CE_FRAME, leParity, 0},
                                           LineErrorCase{CE_FRAME | CE_BREAK, leFraming, CE_BREAK},
                                           LineErrorCase{CE_BREAK, leBreak, CE_BREAK}));

// --- Flow control -------------------------------------------------------------------------------

TEST_F(LineTest, FlowLimitsOutOfOrderChangeNothing) {
    const int calls = Disp.SetComStateCalls();
    EXPECT_EQ(Disp.HWFlowOptions(100, 200, hwfUseDTR), ecBadArgument);
    EXPECT_EQ(Disp.HWFlowOptions(4097, 10, hwfUseDTR), ecBadArgument) << "above the input size";
    EXPECT_EQ(Disp.SWFlowEnable(100, 200, sfReceiveFlow), ecBadArgument);
    EXPECT_EQ(Disp.SetComStateCalls(), calls);
    EXPECT_EQ(Disp.SetDtr(false), ecOK) << "DTR is still ours";
}

TEST_F(LineTest, HardwareFlowHandsTheLinesToTheDevice) {
    ASSERT_EQ(Disp.HWFlowOptions(3000, 1000, hwfUseDTR | hwfRequireCTS), ecOK);
    const DCB d = Disp.DeviceDCB();
    EXPECT_EQ(d.fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(d.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_EQ(d.fOutxCtsFlow, 1u);
    EXPECT_EQ(d.fOutxDsrFlow, 0u);
    EXPECT_EQ(d.XoffLim, 4096 - 3000);
    EXPECT_EQ(d.XonLim, 1000);

    const std::size_t before = Disp.Escapes().size();
    EXPECT_EQ(Disp.SetDtr(false), 1);
    EXPECT_TRUE(NewEscapes(before).empty()) << "the device drives DTR";
    EXPECT_EQ(Disp.SetRts(false), ecOK);

    DWORD hw = 0, sw = 0;
    char on = 0, off = 0;
    EXPECT_EQ(Disp.GetFlowOptions(hw, sw, on, off), ecOK);
    EXPECT_EQ(hw, hwfUseDTR | hwfRequireCTS);
    EXPECT_EQ(sw, 0u);

    // Options replace each other: DTR is the dispatcher's again.
    ASSERT_EQ(Disp.HWFlowOptions(3000, 1000, hwfUseRTS | hwfRequireDSR), ecOK);
    EXPECT_EQ(Disp.GetFlowOptions(hw, sw, on, off), ecOK);
    EXPECT_EQ(hw, hwfUseRTS | hwfRequireDSR);
    EXPECT_EQ(Disp.SetDtr(true), ecOK);
    EXPECT_EQ(Disp.SetRts(true), 1);
}

TEST_F(LineTest, Rs485ModeLetsTheDeviceToggleRts) {
    Disp.SetRS485Mode(true);
    ASSERT_EQ(Disp.HWFlowOptions(100, 10, 0), ecOK);
    EXPECT_EQ(Disp.DeviceDCB().fRtsControl, RTS_CONTROL_TOGGLE);
    EXPECT_EQ(Disp.SetRts(true), 1);
}

struct HwStateCase {
    DWORD options;
    DWORD holds;
    int state;
};

class HwFlowStateTest : public LineTest, public ::testing::WithParamInterface<HwStateCase> {};

TEST_P(HwFlowStateTest, ReportsTheHold) {
    ASSERT_EQ(Disp.HWFlowOptions(100, 10, GetParam().options), ecOK);
    Disp.SetHoldFlags(GetParam().holds);
    EXPECT_EQ(Disp.HWFlowState(), GetParam().state + 1);
}

INSTANTIATE_TEST_SUITE_P(
    States, HwFlowStateTest,
    ::testing::Values(HwStateCase{0, 0x03, fcOff}, HwStateCase{hwfRequireCTS, 0x01, fcOn},
                      HwStateCase{hwfUseRTS | hwfRequireCTS, 0x03, fcCtsHold},
                      HwStateCase{hwfUseDTR | hwfRequireDSR | hwfRequireCTS, 0x02, fcDsrHold},
                      HwStateCase{hwfUseDTR | hwfRequireDSR, 0x01, fcOn}));

TEST_F(LineTest, SoftwareFlowSwitchesEachDirectionOn) {
    ASSERT_EQ(Disp.SWFlowEnable(3500, 500, sfReceiveFlow), ecOK);
    DCB d = Disp.DeviceDCB();
    EXPECT_EQ(d.fInX, 1u);
    EXPECT_EQ(d.fOutX, 0u);
    EXPECT_EQ(d.XoffLim, 596);
    EXPECT_EQ(d.XonLim, 500);
    EXPECT_EQ(d.XonChar, 17);
    EXPECT_EQ(d.XoffChar, 19);

    ASSERT_EQ(Disp.SWFlowChars('a', 'b'), ecOK);
    ASSERT_EQ(Disp.SWFlowEnable(3500, 500, sfTransmitFlow), ecOK);
    DWORD hw = 0, sw = 0;
    char on = 0, off = 0;
    EXPECT_EQ(Disp.GetFlowOptions(hw, sw, on, off), ecOK);
    EXPECT_EQ(sw, sfTransmitFlow | sfReceiveFlow);
    EXPECT_EQ(on, 17) << "enabling sets the standard characters again";
    EXPECT_EQ(off, 19);

    ASSERT_EQ(Disp.SWFlowChars('a', 'b'), ecOK);
    EXPECT_EQ(Disp.GetFlowOptions(hw, sw, on, off), ecOK);
    EXPECT_EQ(on, 'a');
    EXPECT_EQ(off, 'b');

    ASSERT_EQ(Disp.SWFlowDisable(), ecOK);
    d = Disp.DeviceDCB();
    EXPECT_EQ(d.fInX, 0u);
    EXPECT_EQ(d.fOutX, 0u);
    EXPECT_EQ(Disp.SWFlowState(), fcOff + 1);
}

struct SwStateCase {
    DWORD holds;
    int state;
};

class SwFlowStateTest : public LineTest, public ::testing::WithParamInterface<SwStateCase> {};

TEST_P(SwFlowStateTest, ReportsTheHold) {
    ASSERT_EQ(Disp.SWFlowEnable(100, 10, sfTransmitFlow), ecOK);
    Disp.SetHoldFlags(GetParam().holds);
    EXPECT_EQ(Disp.SWFlowState(), GetParam().state + 1);
}

INSTANTIATE_TEST_SUITE_P(States, SwFlowStateTest,
                         ::testing::Values(SwStateCase{0, fcOn}, SwStateCase{0x08, fcXOutHold},
                                           SwStateCase{0x10, fcXInHold}, SwStateCase{0x18, fcXBothHold}));

TEST(ThreadBoostTest, WorkersRunAboveNormalByTheBoost) {
    MainThreadId();
    TMemoryDispatcher disp(TMemoryDispatcher::TMode::Worker);
    ASSERT_EQ(disp.Open(), ecOK);
    disp.SetThreadBoost(2);
    EXPECT_EQ(disp.DispatchThread()->Priority, TThreadPriority::tpHighest);
    disp.SetThreadBoost(0);
    EXPECT_EQ(disp.DispatchThread()->Priority, TThreadPriority::tpNormal);
}

} // namespace
