// The upload: checksum and date of the file, the block transfer over the serial port or TCP with
// its flow checks, the pauses, the wait for the loader prompt, and the raw send.
#include "loader/MainUnit.h"
#include "loader/Progress.h"
#include "loader/ScriptText.h"

#include "platform/rtl/Strings.h"
#include "platform/rtl/TextFile.h"
#include "platform/win/Clock.h"
#include "platform/win/Sync.h"

#include <fstream>
#include <iterator>

namespace {

constexpr int BlockSize = 2000;
constexpr int RawChunk = 4000;

int& Abort() {
    static int none = 0;
    return ProgressForm ? ProgressForm->AbortFlag : none;
}

// Reads exactly count bytes into block; false when the file ends first.
bool ReadBlock(std::ifstream& file, std::string& block, int count) {
    block.resize(static_cast<std::size_t>(count));
    file.read(block.data(), count);
    return file.gcount() == count;
}

} // namespace

bool TQuillonForm::get_file_checksum() {
    std::ifstream file(UploadFile, std::ios::binary);
    if (!file) {
        LastMessage = "Error opening file " + UploadFile + ". Unable to get file checksum";
        Fail(LastMessage);
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    FileChecksum = FileChecksum16(bytes);
    FileSize = static_cast<std::int64_t>(bytes.size());
    return true;
}

bool TQuillonForm::get_date() {
    const std::int32_t age = FileAge(UploadFile);
    if (age == -1) {
        LastMessage = "Error opening file " + UploadFile;
        Fail(LastMessage);
        return false;
    }
    VersionText = FileDateText(age);
    return true;
}

void TQuillonForm::get_data_checksum(const char* Data, int Length) {
    std::uint8_t sum = 0;
    for (int i = 0; i < Length; ++i)
        sum = static_cast<std::uint8_t>(sum + static_cast<unsigned char>(Data[i]));
    DataChecksum = sum;
}

void TQuillonForm::UploadButtonClick(TObject*) {
    SetStatusText("Reading script file. Please wait....");
    NoUploadRunning = false;
    {
        std::ifstream probe(UploadFile, std::ios::binary);
        if (!probe) {
            LastMessage = "Error opening " + UploadFile + ".\r";
            Fail(LastMessage);
            NoUploadRunning = true;
            return;
        }
    }
    BlockCount = static_cast<int>(FileSize / BlockSize);
    const int rest = static_cast<int>(FileSize - static_cast<std::int64_t>(BlockCount) * BlockSize);
    std::ifstream file(UploadFile, std::ios::binary);
    if (!file) {
        LastMessage = "Error opening " + UploadFile + ".\r";
        Fail(LastMessage);
        NoUploadRunning = true;
        return;
    }
    ConfigMenu->SetVisible(false);
    Ethernet1->SetVisible(false);
    if (PortOpen()) {
        VexComPort1->FlushInBuffer();
        VexComPort1->FlushOutBuffer();
        VexComPort1->ProcessCommunications();
    }
    const bool terminalOff = TerminalDuringUpload == 0;
    if (terminalOff) VxTerminal1->SetEnabled(false);

    if (ProgressForm) ProgressForm->ShowProgressForm(BlockCount);
    Delay(100);
    std::string block;
    // A file that is shorter now than when its size was taken cannot give the body the header
    // announced: the upload stops as a cancelled one does.
    const auto readOrAbort = [&](int count) {
        if (ReadBlock(file, block, count)) return true;
        Abort() = 1;
        return false;
    };
    const auto step = [&] {
        if (ProgressForm) ProgressForm->FileProgressBar->StepIt();
    };
    if (BlockCount == 0) {
        if (readOrAbort(rest)) {
            Application->ProcessMessages();
            SendByte(rest, block.data());
            step();
        }
    } else {
        for (int i = 0; i < BlockCount && Abort() == 0; ++i) {
            if (!readOrAbort(BlockSize)) break;
            Application->ProcessMessages();
            SendByte(BlockSize, block.data());
            step();
            if (PortOpen()) VexComPort1->ProcessCommunications();
            Application->ProcessMessages();
        }
        if (Abort() == 0 && rest > 0 && readOrAbort(rest)) {
            Application->ProcessMessages();
            SendByte(rest, block.data());
            step();
            Application->ProcessMessages();
        }
    }
    file.close();
    if (ProgressForm) ProgressForm->HideProgressForm();
    ConfigMenu->SetVisible(true);
    Ethernet1->SetVisible(true);
    NoUploadRunning = true;

    if (Abort() == 1) {
        Delay(500);
        Application->ProcessMessages();
        LastMessage = "Upload cancelled/incomplete!!! Upload for " + UploadFile + " section was incomplete.";
        Tell(LastMessage);
    } else {
        Delay(static_cast<DWORD>(UploadPause));
    }
    Application->ProcessMessages();
    if (terminalOff) VxTerminal1->SetEnabled(true);
    if (UploadByScript && (PortOpen() || SocketActive())) WaitForPromptAfterUpload();
    Application->ProcessMessages();
    Application->ProcessMessages();
    if (SocketActive()) RetryCount = 0;
}

void TQuillonForm::WaitForPromptAfterUpload() {
    SetStatusText("Waiting for prompt..");
    const int b = static_cast<int>(static_cast<double>(FileSize) * 0.007 + 1000);
    Delay(static_cast<DWORD>(b / 2));
    SetStatusText("Waiting for prompt....");
    Application->ProcessMessages();
    Delay(static_cast<DWORD>(b / 2));
    SetStatusText("Waiting for prompt......");
    SetExpectedPrompt(LoaderPrompt);
    PromptWait = b + 120;
    if (SocketActive()) CommandTimer->SetInterval(static_cast<unsigned>(Scaled(b + 14000, 2000)));
    Delay(100);
    Application->ProcessMessages();
    bool got = SendCOMCmd_GetPrompt("\r\n");
    if (!got) {
        SetStatusText("Waiting for prompt........");
        Delay(2500);
        Application->ProcessMessages();
        got = SendCOMCmd_GetPrompt("\r\n");
    }
    if (!got) {
        if (SocketActive()) Delay(2000);
        PromptWait = 400;
        got = SendCOMCmd_GetPrompt("\r\n");
        PromptWait = 400;
        if (!got) {
            Tell("Error! Unable to receive prompt after upload. Upload unsuccessful. Exiting script.");
            if (!PortOpen() && !SocketActive()) Tell("Error! Communications lost.");
            Abort() = 1;
        }
    }
    CommandTimer->SetInterval(static_cast<unsigned>(Scaled(14000, 2000)));
}

void TQuillonForm::SendByte(int Length, const char* Data) {
    if (PortOpen()) {
        if (static_cast<WORD>(VexComPort1->GetOutBuffFree()) < Length) {
            Tell("Error! Communications Port Output Buffer Overflow. Cancel upload.");
            Abort() = 1;
            return;
        }
        CommandTimer->SetEnabled(true);
        VexComPort1->PutBlock(Data, static_cast<DWORD>(Length));
        CommandTimer->SetEnabled(false);
        // 15000 and then 5000 passes of 1 ms, by the clock.
        bool drained = false;
        for (const std::uint64_t start = GetTickCount64(), limit = PassTime(15000);
             GetTickCount64() - start < limit && PortOpen();) {
            if (VexComPort1->GetOutBuffUsed() == 0) {
                drained = true;
                break;
            }
            Application->ProcessMessages();
            Sleep(1);
        }
        if (!drained) {
            Tell("Error! Output Buffer never empties. Check RS232 connection. Cancel upload.");
            Abort() = 1;
            return;
        }
        for (const std::uint64_t start = GetTickCount64(), limit = PassTime(5000);
             GetTickCount64() - start < limit && PortOpen();) {
            if (VexComPort1->GetCTS()) {
                // Clears only what the port itself still holds: the line has taken the block.
                VexComPort1->FlushOutBuffer();
                return;
            }
            Application->ProcessMessages();
            Sleep(1);
        }
        Tell("Error! CTS line not set. Check RS232 connection. Cancel upload.");
        Abort() = 1;
        return;
    }
    if (SocketActive()) {
        if (!SendSocketBlock(Length, Data)) Abort() = 1;
        Application->ProcessMessages();
    } else if (!NoUploadRunning) {
        // The link went down during the transfer: the blocks left cannot reach the unit.
        Abort() = 1;
    }
}

void TQuillonForm::send_file_raw() {
    std::ifstream file(UploadFile, std::ios::binary);
    if (!file) {
        LastMessage = "Error opening " + UploadFile + ".\r";
        Fail(LastMessage);
        return;
    }
    if (!get_file_checksum() || FileSize <= 0) return;
    std::string block;
    const auto sendChunk = [&](int count) {
        if (!ReadBlock(file, block, count)) return false;
        SendByte(count, block.data());
        // The raw send stops at its first failure.
        return Abort() == 0;
    };
    if (FileSize > RawChunk) {
        const int chunks = static_cast<int>(FileSize / RawChunk);
        const int rest = static_cast<int>(FileSize - static_cast<std::int64_t>(chunks) * RawChunk);
        for (int i = 0; i < chunks; ++i) {
            if (!sendChunk(RawChunk)) return;
            Application->ProcessMessages();
        }
        Application->ProcessMessages();
        if (rest > 0) sendChunk(rest);
    } else {
        sendChunk(static_cast<int>(FileSize));
    }
}

void TQuillonForm::SendFile1Click(TObject*) {
    INIOpenDialog->InitialDir = get_cur_path();
    if (!INIOpenDialog->Execute()) return;
    CCHECKTimer1->SetEnabled(false);
    KeepAliveEnabled = false;
    Screen->SetCursor(crHourGlass);
    clear_script_lines();
    ScriptPath = INIOpenDialog->FileName;
    UploadFile = INIOpenDialog->FileName;
    INIOpenDialog->InitialDir.clear();
    Abort() = 0;
    if (get_file_checksum()) {
        UploadByScript = false;
        UploadButtonClick(this);
    }
    Screen->SetCursor(crDefault);
    CCHECKTimer1->SetEnabled(true);
    KeepAliveEnabled = true;
}
