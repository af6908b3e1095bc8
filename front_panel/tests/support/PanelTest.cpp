#include "PanelTest.h"

#include "communications/VxMisc.h"
#include "indicator_controls/IndicatorUnits.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Messages.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxcont.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application->Initialize();
        InitLuxclass();
        InitLuxcont();
        InitializeIndicatorUnits();
    }
    void TearDown() override {
        FinalizeIndicatorUnits();
        DoneLuxcont();
        DoneLuxclass();
    }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

constexpr UINT WM_RUN_POSTED = WM_USER + 1;

std::int32_t fakeTicks = 1000;
std::int32_t ticksPerFire = 1;

void AdvanceTicks(HWND, UINT, std::uintptr_t, DWORD) {
    fakeTicks += ticksPerFire;
    SetTicksForTesting(fakeTicks);
}

std::string Strip(const std::string& s) {
    std::size_t end = s.size();
    while (end > 0 && (s[end - 1] == '\r' || s[end - 1] == '\n')) --end;
    return s.substr(0, end);
}

} // namespace

const char* const ConnectAndIdentify = "Remote 0\n\rLockout 2\n\rWhoAreYou?\r\nRev\r\n";
const char* const FirstCommands = "ACQMODE 0\rFREEZ 1 B 0\rFREEZ 1 A 0\rOpMode 2\r";

std::string Section(const std::string& name, const std::string& pvw, const std::string& pgm) {
    return "<" + name + "><PVW>" + pvw + "</PVW><PGM>" + pgm + "</PGM></" + name + ">";
}

// --- TFakeSwitcher ------------------------------------------------------------------------------

void TFakeSwitcher::SetModel(int model) {
    model_ = model;
    order_.clear();
    sections_.clear();
    for (int i = 1; i <= 8; ++i) Set(std::to_string(i), "OFF", "OFF");
    if (model == 1) {
        for (const char* name : {"SDI1", "SDI2", "LOGO"}) Set(name, "OFF", "OFF");
        Set("SPLITLAYER", "OFF", "N/A");
        Set("LAYERA", "OFF", "OFF");
        Set("LAYERB", "OFF", "OFF");
        Set("1", "OFF", "ON");
        Set("2", "ON", "OFF");
    } else {
        Set("SDI", "OFF", "OFF");
        Set("SDI2", "N/A", "N/A");
        Set("LOGO", "OFF", "OFF");
        Set("PIP", "OFF", "OFF");
        Set("KEY", "OFF", "OFF");
        Set("1", "ON", "ON");
    }
}

void TFakeSwitcher::Set(const std::string& section, const std::string& pvw, const std::string& pgm) {
    if (!sections_.count(section)) order_.push_back(section);
    sections_[section] = {pvw, pgm};
}

void TFakeSwitcher::Remove(const std::string& section) {
    sections_.erase(section);
    std::erase(order_, section);
}

std::string TFakeSwitcher::StatusLines() const {
    std::string lines;
    for (const std::string& name : order_) {
        const auto& [pvw, pgm] = sections_.at(name);
        lines += Section(name, pvw, pgm) + "\r\n";
    }
    return lines;
}

std::string TFakeSwitcher::Answer(const std::string& written) const {
    if (Mute) return {};
    const std::string line = Strip(written);
    const std::string word = UpperCase(line);
    std::string body;
    if (word == "WHOAREYOU?") {
        body = !Identity.empty() ? Identity + "\r\n"
               : model_ == 1     ? std::string("Corvane II Application\r\n")
                                 : std::string("Halverin II Application\r\n");
    } else if (word == "REV") {
        body = "Software : " + Version + "\r\n";
    } else if (word == "KEYSTATUS") {
        body = StatusLines();
    } else {
        return {};
    }
    return line + "\r\n\r\n" + body + "#";
}

// --- TFakeLink ----------------------------------------------------------------------------------

TFakeLink::TFakeLink(TFakeSwitcher* device) : device_(device) {
    window_ = CreateMessageWindow("TFakeLink", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_RUN_POSTED) {
            RunPosted(wParam);
            return LRESULT{0};
        }
        if (msg == WM_TIMER && wParam == connectTimer_) {
            KillTimer(window_, connectTimer_);
            connectTimer_ = 0;
            if (OnWsConnect) OnWsConnect(this);
            return LRESULT{0};
        }
        return DefWindowProc(wnd, msg, wParam, lParam);
    });
}

TFakeLink::~TFakeLink() {
    DestroyWindow(window_);
}

void TFakeLink::Post(std::function<void()> action) {
    const std::uint64_t id = nextId_++;
    posted_[id] = std::move(action);
    PostMessage(window_, WM_RUN_POSTED, static_cast<WPARAM>(id), 0);
}

void TFakeLink::RunPosted(WPARAM id) {
    auto it = posted_.find(static_cast<std::uint64_t>(id));
    if (it == posted_.end()) return;
    auto action = std::move(it->second);
    posted_.erase(it);
    action();
}

void TFakeLink::SetTarget(const std::string& address, const std::string& port) {
    Address = address;
    Port = port;
}

void TFakeLink::SetOpen(bool Value) {
    OpenRequests.push_back(Value);
    if (Value == open_) return;
    open_ = Value;
    if (!Value) return;
    switch (Connect) {
    case TConnect::Immediately:
        Post([this] {
            if (OnWsConnect) OnWsConnect(this);
        });
        break;
    case TConnect::Never:
        break;
    case TConnect::Refused:
        Post([this] {
            open_ = false;
            if (OnWsError) OnWsError(this, 10061);
        });
        break;
    case TConnect::AfterMs:
        connectTimer_ = 77;
        SetTimer(window_, connectTimer_, ConnectDelayMs, nullptr);
        break;
    case TConnect::ButClosed:
        Post([this] {
            open_ = false;
            if (OnWsConnect) OnWsConnect(this);
        });
        break;
    }
}

void TFakeLink::PutString(const std::string& S) {
    if (!open_) throw Exception("ie_NOpen - device not open");
    Written += S;
    if (OnWrite) OnWrite(S);
    const std::string answer = device_->Answer(S);
    if (!answer.empty())
        Post([this, answer] {
            if (open_) Receive(answer);
        });
}

void TFakeLink::FlushOutBuffer() {
    if (!open_) throw Exception("ie_NOpen - device not open");
    ++Flushes;
}

void TFakeLink::ArmReply() {
    armed_ = true;
    collected_.clear();
}

void TFakeLink::DisarmReply() {
    armed_ = false;
}

void TFakeLink::Receive(const std::string& bytes) {
    for (char c : bytes) {
        if (!armed_) return;
        collected_ += c;
        if (c != '#') continue;
        // Delivered once: the reply packet does not re-arm itself.
        armed_ = false;
        std::string packet;
        packet.swap(collected_);
        if (OnReply) OnReply(this, packet.data(), static_cast<int>(packet.size()));
    }
}

// --- TFastTicks ---------------------------------------------------------------------------------

TFastTicks::TFastTicks(unsigned msPerStep, int ticksPerStep) {
    ticksPerFire = ticksPerStep;
    SetTicksForTesting(fakeTicks);
    timer_ = SetTimer(0, 0, msPerStep, &AdvanceTicks);
}

TFastTicks::~TFastTicks() {
    KillTimer(0, timer_);
    SetTicksForTesting(std::nullopt);
}

// --- PanelTest ----------------------------------------------------------------------------------

void PanelTest::SetUp() {
    char buffer[4096];
    oldDir_ = getcwd(buffer, sizeof buffer) ? buffer : ".";
    char pattern[] = "/tmp/dorvex-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(chdir(dir_.c_str()), 0);

    Application->ResetTerminated();
    taken_ = 0;
    PopupTexts.clear();
    Device = TFakeSwitcher();
    Device.SetModel(1);
    Seam = std::make_unique<TSeamRecorder>();
    if (MsPerStep > 0) ticks_ = std::make_unique<TFastTicks>(MsPerStep);
    OnAddressDialog = [](TIPAddressForm* dialog) {
        dialog->IPAddrEdit->SetText("127.0.0.1");
        dialog->IP_OkayBtn->Click();
    };
    OnRenameDialog = [](TSourceLabelForm* dialog) { dialog->OKButton->Click(); };
    Seam->OnShowModal = [this](TCustomForm* form) {
        if (auto* dialog = dynamic_cast<TIPAddressForm*>(form)) {
            if (OnAddressDialog) OnAddressDialog(dialog);
        } else if (auto* popup = dynamic_cast<TPopupForm*>(form)) {
            PopupTexts.push_back(popup->PopUpMessageLbl->Caption());
            popup->OkayBtn->Click();
        } else if (auto* rename = dynamic_cast<TSourceLabelForm*>(form)) {
            if (OnRenameDialog) OnRenameDialog(rename);
        }
    };
    previousFactory_ = SwitcherLinkFactory();
    if (UseFakeLink)
        SwitcherLinkFactory() = [this](TDorvexMainForm*) {
            auto link = std::make_unique<TFakeLink>(&Device);
            link_ = link.get();
            return link;
        };
    Application->CreateForm(DorvexMainForm);
    Application->CreateForm(IPAddressForm);
    Application->CreateForm(PopupForm);
    Application->CreateForm(SourceLabelForm);
}

void PanelTest::TearDown() {
    Application->DestroyForms();
    // A packet collector left without packets frees itself from a posted message.
    Application->ProcessMessages();
    link_ = nullptr;
    SwitcherLinkFactory() = previousFactory_;
    ticks_.reset();
    Seam.reset();
    Application->ResetTerminated();
    if (chdir(oldDir_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldDir_;
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

bool PanelTest::Start(int model, const std::string& address) {
    Device.SetModel(model);
    if (address != "127.0.0.1")
        OnAddressDialog = [address](TIPAddressForm* dialog) {
            dialog->IPAddrEdit->SetText(address);
            dialog->IP_OkayBtn->Click();
        };
    Main()->Show();
    return !Application->Terminated() && Main()->Timer1->Enabled();
}

void PanelTest::Started(int model) {
    ASSERT_TRUE(Start(model));
    // The poll timer's own ticks would come in real time; tests tick it by hand.
    Main()->Timer1->SetEnabled(false);
    TakeWritten();
    Seam->Clear();
}

void PanelTest::Poll() {
    FirstTickDone = true;
    Tick();
}

void PanelTest::ClickOn(TControl* control) {
    const LPARAM at =
        MakeMouseLParam(control->Left() + control->Width() / 2, control->Top() + control->Height() / 2);
    Main()->MainWndProc(WM_LBUTTONDOWN, MK_LBUTTON, at);
    Main()->MainWndProc(WM_LBUTTONUP, 0, at);
}

void PanelTest::ChoosePopup(TControl* control, const std::string& caption) {
    Seam->AnswerPopup(caption);
    Main()->SourcePopupMenu->PopupComponent = control;
    Main()->SourcePopupMenu->Popup(0, 0);
}

std::string PanelTest::TakeWritten() {
    if (!link_) return {};
    std::string out = link_->Written.substr(taken_);
    taken_ = link_->Written.size();
    return out;
}

std::string PanelTest::Picture(TImage* image) const {
    auto* shown = dynamic_cast<TBitmap*>(image->Picture()->Graphic());
    if (!shown || shown->Empty()) return "none";
    const std::pair<TImage*, const char*> templates[] = {{Main()->Yellow_Off_Key_Image, "YELLOW_OFF"},
                                                         {Main()->Yellow_On_Key_Image, "YELLOW_ON"},
                                                         {Main()->Green_Off_Key_Image, "GREEN_OFF"},
                                                         {Main()->Green_On_Key_Image, "GREEN_ON"},
                                                         {Main()->White_Off_Key_Image, "WHITE_OFF"}};
    for (const auto& [image_, name] : templates) {
        auto* bitmap = dynamic_cast<TBitmap*>(image_->Picture()->Graphic());
        if (!bitmap || bitmap->Width() != shown->Width() || bitmap->Height() != shown->Height()) continue;
        bool same = true;
        for (const TPoint p : {TPoint(29, 29), TPoint(8, 8), TPoint(3, 29), TPoint(50, 52)})
            same = same && bitmap->Canvas()->Pixels(p.X, p.Y) == shown->Canvas()->Pixels(p.X, p.Y);
        if (same) return name;
    }
    return "other";
}

std::string PanelTest::Pictures(int first, int last) const {
    std::string out;
    for (int i = first; i <= last; ++i) out += (i > first ? " " : "") + Picture(i);
    return out;
}

std::string PanelTest::ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void PanelTest::WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}
