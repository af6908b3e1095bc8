#include "LoaderTest.h"

#include "platform/win/Messages.h"

#include <chrono>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Application->Initialize(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return done();
        Application->ProcessMessages();
        WaitMessageTimeout(5);
    }
    return true;
}

void LoaderTest::SetUp() {
    home_ = std::make_unique<TempHome>();
    // Only the ports a test maps exist: the machine's own serial ports stay out of the searches.
    std::filesystem::create_directories(home_->Vexo());
    std::ofstream map(home_->Vexo() + "/comports");
    for (int n = 1; n <= 16; ++n) map << "COM" << n << "=/nonexistent/quillon-test-tty" << n << "\n";
    char buffer[4096];
    oldDir_ = getcwd(buffer, sizeof buffer) ? buffer : ".";
    char pattern[] = "/tmp/quillon-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    Application->ResetTerminated();
    Seam = std::make_unique<TSeamRecorder>();
    TimeScale = Scale;
    taken_ = 0;
    if (CreateFormsInSetUp) CreateForms();
}

void LoaderTest::CreateForms() {
    Application->CreateForm(QuillonForm);
    Application->CreateForm(ProgressForm);
    Application->CreateForm(ClientSocketForm);
    Application->CreateForm(SplashForm);
    Application->CreateForm(InfoForm);
}

void LoaderTest::TearDown() {
    Application->DestroyForms();
    Application->ProcessMessages();
    Sim.reset();
    ClearComMappings();
    Seam.reset();
    TimeScale = 1.0;
    Application->ResetTerminated();
    if (chdir(oldDir_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldDir_;
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
    home_.reset();
}

TLoaderSim& LoaderTest::StartSim(int com, std::vector<std::string> options) {
    bool flash = false;
    for (const std::string& o : options) flash = flash || o == "--flash";
    if (!flash) options.insert(options.end(), {"--flash", "50"});
    Sim = std::make_unique<TLoaderSim>(options);
    EXPECT_TRUE(Sim->Running()) << "loader-sim did not start";
    Sim->MapTo(com);
    return *Sim;
}

void LoaderTest::Start() {
    Main()->Show();
    EXPECT_TRUE(PumpUntil([this] { return Main()->StartUpDone(); }, 20000));
}

void LoaderTest::StartTcp(std::vector<std::string> options) {
    options.insert(options.begin(), {"--port", "0"});
    Sim = std::make_unique<TLoaderSim>(options);
    ASSERT_TRUE(Sim->Running());
    ASSERT_GT(Sim->Port(), 0);
    Start();
    FillAddress("127.0.0.1", Sim->Port());
}

void LoaderTest::FillAddress(const std::string& address, int port) {
    std::size_t from = 0;
    TEdit* edits[] = {ClientSocketForm->IPEdit1, ClientSocketForm->IPEdit2, ClientSocketForm->IPEdit3,
                      ClientSocketForm->IPEdit4};
    for (TEdit* edit : edits) {
        const std::size_t dot = address.find('.', from);
        edit->SetText(address.substr(from, dot - from));
        from = dot + 1;
    }
    ClientSocketForm->PortNumberTxEdit->SetText(std::to_string(port));
}

void LoaderTest::Connect() {
    Main()->EnetConnect1->Click();
    ClientSocketForm->ConnectButton->Click();
}

bool LoaderTest::RunScript(const std::string& text, const std::string& name) {
    WriteFile(name, text);
    Main()->clear_script_lines();
    Main()->ScriptPath = Dir() + "/" + name;
    ProgressForm->AbortFlag = 0;
    return Main()->read_ini();
}

bool LoaderTest::SimReceivedAtLeast(std::size_t bytes, int timeoutMs) {
    return PumpUntil([&] { return Sim->Received().size() >= bytes; }, timeoutMs);
}

std::string LoaderTest::TakeReceived() {
    return TakeReceived(0);
}

std::string LoaderTest::TakeReceived(std::size_t AtLeast) {
    if (AtLeast > 0) PumpUntil([&] { return Sim->Received().size() >= taken_ + AtLeast; }, 5000);
    PumpUntil([] { return false; }, 30);
    const std::string all = Sim->Received();
    const std::string out = all.substr(std::min(taken_, all.size()));
    taken_ = all.size();
    return out;
}

namespace {

struct TWatch {
    TLoaderSim* Sim = nullptr;
    std::string Text;
    std::function<void()> Then;
};

TWatch& Watch() {
    static TWatch watch;
    return watch;
}

} // namespace

std::uintptr_t LoaderTest::WhenSimReceived(TLoaderSim& sim, const std::string& text,
                                           std::function<void()> then) {
    Watch() = TWatch{&sim, text, std::move(then)};
    return SetTimer(0, 0, 5, [](HWND, UINT, std::uintptr_t id, DWORD) {
        if (Watch().Sim->Received().find(Watch().Text) == std::string::npos) return;
        KillTimer(0, id);
        Watch().Then();
    });
}

void LoaderTest::WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string LoaderTest::Settings(const std::vector<std::pair<int, std::string>>& values) {
    std::string out = "[Loader]\r\n";
    for (int n = 1; n <= 29; ++n) {
        std::string value;
        for (const auto& [line, text] : values)
            if (line == n) value = text;
        bool given = false;
        for (const auto& [line, text] : values) given = given || line == n;
        // A data line without "=" counts and sets nothing.
        out += "L" + std::to_string(n) + (given ? "=" + value : std::string()) + "\r\n";
    }
    return out;
}
