// The script interpreter: reads a script file line by line and runs its command lines.
#include "loader/ClientSocketUnit.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"
#include "loader/ScriptText.h"

#include "platform/rtl/Strings.h"
#include "platform/win/Sync.h"

#include <fstream>

namespace {

int Aborted() {
    return ProgressForm ? ProgressForm->AbortFlag : 0;
}

} // namespace

std::string TQuillonForm::get_cur_path() const {
    return GetCurrentDir();
}

void TQuillonForm::PickButtonClick(TObject*) {
    INIOpenDialog->InitialDir = get_cur_path();
    if (!INIOpenDialog->Execute()) return;
    CCHECKTimer1->SetEnabled(false);
    KeepAliveEnabled = false;
    Screen->SetCursor(crHourGlass);
    clear_script_lines();
    ScriptPath = INIOpenDialog->FileName;
    INIOpenDialog->InitialDir.clear();
    if (ProgressForm) ProgressForm->AbortFlag = 0;
    read_ini();
    try {
        if (VxTerminal1->CanFocus()) VxTerminal1->SetFocus();
    } catch (const Exception&) {
    }
    Screen->SetCursor(crDefault);
    CCHECKTimer1->SetEnabled(true);
    KeepAliveEnabled = true;
}

void TQuillonForm::clear_script_lines() {
    LineIndex = 0;
    LineLength = 0;
    ScriptLines.clear();
}

bool TQuillonForm::read_ini() {
    disable_btns();
    StopFlag = false;
    ScriptError = false;
    SetStatusText("Reading script file. Please wait....");
    Application->ProcessMessages();

    std::ifstream file(ScriptPath, std::ios::binary);
    if (!file) {
        LastMessage = "Error opening file " + ScriptPath + " for read.";
        Fail(LastMessage);
        SetStatusText(" ");
        enable_btns();
        return false;
    }
    const bool onSocket = SocketActive();
    TScriptLineReader reader;
    bool ended = false;
    // Runs the command line just read; false ends the run with the result in `result`.
    bool result = true;
    const auto runLine = [&]() -> bool {
        if (StopFlag) return false;
        if (static_cast<std::size_t>(LineIndex) >= ScriptLines.size())
            ScriptLines.resize(static_cast<std::size_t>(LineIndex) + 1);
        ScriptLines[static_cast<std::size_t>(LineIndex)] = reader.Line();
        LineLength = static_cast<int>(reader.Line().size());
        if (!exec_script_line()) {
            SetStatusText(" ");
            if (PortOpen() || SocketActive()) enable_btns();
            result = false;
            ended = true;
            return false;
        }
        // A run that ends here ("_FT" closed the link on purpose) is not connected again.
        if (onSocket && !SocketActive() && !StopFlag) {
            if (ClientSocketForm) ClientSocketForm->ConnectButtonClick(this);
            Application->ProcessMessages();
            if (!SocketActive()) {
                Fail("Exiting script. Socket closed");
                SetStatusText(" ");
                enable_btns();
                RetryCount = 0;
                result = false;
                ended = true;
                return false;
            }
        }
        Application->ProcessMessages();
        return true;
    };
    char c;
    bool going = true;
    while (going && Aborted() == 0 && !Application->Terminated() && file.get(c)) {
        if (reader.Feed(c)) going = runLine();
    }
    if (going && Aborted() == 0 && !Application->Terminated() && file.eof() && reader.Finish()) runLine();
    if (ended) return result;

    SetStatusText(" ");
    SetStatusText(Aborted() != 0 ? "Script file reading terminated by user/error(s)."
                                 : "SUCCESS. Reading script file complete");
    enable_btns();
    return true;
}

bool TQuillonForm::exec_script_line() {
    const std::string line = static_cast<std::size_t>(LineIndex) < ScriptLines.size()
                                 ? ScriptLines[static_cast<std::size_t>(LineIndex)]
                                 : std::string();
    if (line.empty() || line[0] != '_') return true;
    Application->ProcessMessages();
    Delay(1);
    Application->ProcessMessages();
    const bool result = RunCommand(line);
    ++LineIndex;
    LineLength = 0;
    return result;
}

// Runs R of a conditional line whose condition held, in the conditional line's slot.
bool TQuillonForm::RunRemainder(const std::string& Remainder, const char* EmptyMessage) {
    if (Remainder.empty()) {
        Fail(EmptyMessage);
        return true;
    }
    if (static_cast<std::size_t>(LineIndex) >= ScriptLines.size())
        ScriptLines.resize(static_cast<std::size_t>(LineIndex) + 1);
    ScriptLines[static_cast<std::size_t>(LineIndex)] = Remainder;
    LineLength = static_cast<int>(Remainder.size());
    return exec_script_line();
}

bool TQuillonForm::RunCommand(const std::string& line) {
    const std::string command = line.substr(0, 3);
    const std::optional<std::string> q = QuotedOperand(line);
    const std::optional<std::string> w = WordOperand(line);

    if (command == "_SC" || command == "_SR" || command == "_ST") {
        if (!q) return true;
        CommandBuffer = ReplaceCaretM(*q, "\r\n") + "\r";
        SendCmdBuffer();
        Delay(100);
        if (command == "_SC") return true;
        CloseLink();
        if (command == "_ST") return false;
        Delay(3800);
        Application->ProcessMessages();
        Delay(3800);
        Application->ProcessMessages();
        if (ConnectionMode == 0) select_com(LastGoodComPort);
        if (ConnectionMode == 0 && !PortOpen()) {
            Fail("Error! Unable to connect to unit! Exiting script");
            disable_btns();
            return false;
        }
        return true;
    }
    if (command == "_TC") {
        if (!q) return true;
        const std::string text = ReplaceCaretM(*q, "\r\n");
        Delay(200);
        SetExpectedPrompt(LoaderPrompt);
        PromptWait = 620;
        bool got = SendCOMCmd_GetPrompt(text);
        if (!got) {
            SendString(LoaderModeCmd);
            Delay(500);
            got = SendCOMCmd_GetPrompt("\r\n");
        }
        if (!got) {
            Delay(2500);
            Application->ProcessMessages();
            got = SendCOMCmd_GetPrompt("\r\n");
        }
        if (!got) {
            Delay(2000);
            Application->ProcessMessages();
            got = SendCOMCmd_GetPrompt("\r\n");
        }
        if (!got) {
            SetExpectedPrompt(NormalPrompt);
            if (SendCOMCmd_GetPrompt("\r\n"))
                Fail("Error! Unit not in Loader Mode! Exiting script");
            else
                Fail("Error! Unable to get response from unit(_TC)! Exiting script");
            if (SocketActive() || !PortOpen()) disable_btns();
            return false;
        }
        PromptWait = 400;
        Delay(500);
        return true;
    }
    if (command == "_DY") {
        if (!w) return true;
        const int n = StrToIntDef(Trim(*w), 0);
        const int sleeps = static_cast<int>(n * 8.8 * 0.5);
        for (int i = 0; i < Scaled(sleeps); ++i) Sleep(1);
        Sleep(1);
        Application->ProcessMessages();
        return true;
    }
    if (command == "_LP") {
        if (!w) return true;
        const int n = StrToIntDef(Trim(*w), 0);
        if (n != 0) UploadPause = n * 1000;
        return true;
    }
    if (command == "_LC") {
        if (q) LoadCmd = *q;
        return true;
    }
    if (command == "_LF") {
        if (!w) return true;
        UploadFile = *w;
        std::ifstream file(UploadFile, std::ios::binary);
        if (!file) {
            LastMessage = "Error! Unable to open file " + *w + ". Cannot upload file.";
            Fail(LastMessage);
        } else {
            FileOk = true;
        }
        return true;
    }
    if (command == "_LA") {
        if (!w || !FileOk) return true;
        FileOk = false;
        LoadAddress = w->substr(0, w->find('\n'));
        if (get_file_checksum()) AddressOk = true;
        return true;
    }
    if (command == "_LV") {
        if (!w || !AddressOk) return true;
        AddressOk = false;
        VersionText = UpperCase(*w);
        if (VersionText == "DATE") get_date();
        VersionOk = true;
        return true;
    }
    if (command == "_LD") {
        Application->ProcessMessages();
        if (VersionOk) {
            PromptWait = 130;
            bool got = SendCOMCmd_GetPrompt("\r\n");
            if (!got) {
                SetExpectedPrompt(LoaderPrompt);
                got = SendCOMCmd_GetPrompt("\r\n");
            }
            if (!got) {
                Fail("Error! Unable to receive prompt before upload.... Exiting script.");
                PromptWait = 400;
                return false;
            }
            Application->ProcessMessages();
            PromptWait = 400;
            CommandBuffer = UploadHeader(LoadCmd, LoadAddress, FileSize,
                                         static_cast<std::uint32_t>(FileChecksum), VersionText);
            Application->ProcessMessages();
            SendCmdBuffer();
            Delay(2100);
            Application->ProcessMessages();
            Delay(500);
            Application->ProcessMessages();
            UploadByScript = true;
            UploadButtonClick(this);
            VersionOk = false;
        } else {
            send_file_raw();
        }
        Application->ProcessMessages();
        return true;
    }
    if (command == "_PC") {
        const std::size_t quote = line.find('"');
        if (quote != std::string::npos && quote + 1 < line.size()) LoaderPrompt = line[quote + 1];
        return true;
    }
    if (command == "_QC") {
        if (!q) return true;
        Delay(1);
        CommandBuffer = ReplaceCaretM(*q, " ");
        MinPromptIndex = q->rfind("VER", 0) == 0 ? 3 : 10;
        SendCmd_CollectReply(2000);
        Delay(100);
        Application->ProcessMessages();
        QcAnswer.clear();
        for (const char c : CaptureBuffer)
            if (c != '\r' && c != '\n') QcAnswer += c;
        if (QcAnswer.empty()) {
            Fail("Error! No response detected with _QC command");
            QcAnswerOk = false;
        } else {
            QcAnswerOk = true;
        }
        return true;
    }
    if (command == "_AG" || command == "_AL" || command == "_IG" || command == "_IL") {
        const auto tr = TestOperands(line);
        if (!tr) return true;
        CommandBuffer = ReplaceEscapes(tr->first, false);
        const int n = StrToIntDef(Trim(CommandBuffer), 0);
        const auto version = ParseVersion(QcAnswer);
        if (!version) {
            Tell("Prev _QC does not have version info.");
            return true;
        }
        const auto [major, minor] = *version;
        const bool holds = command == "_AG"   ? major >= n
                           : command == "_AL" ? major < n
                           : command == "_IG" ? minor >= n
                                              : minor < n;
        if (!holds) return true;
        return RunRemainder(tr->second, "Error! No line found after successful version test");
    }
    if (command == "_CE" || command == "_CS" || command == "_CN") {
        const auto tr = TestOperands(line);
        if (!tr) return true;
        CommandBuffer = ReplaceEscapes(tr->first, true);
        const bool contains = QcAnswer.find(CommandBuffer) != std::string::npos;
        const bool holds = command == "_CE"   ? QcAnswer == CommandBuffer
                           : command == "_CS" ? contains
                                              : !contains;
        if (!holds) return true;
        return RunRemainder(tr->second, command == "_CE" ? "Error! No line found after successful _CE"
                                                         : "Error! No line found after successful _CS/_CN");
    }
    if (command == "_DO" || command == "_DC") {
        if (!w) return true;
        const bool holds = QueryAsked && (command == "_DO" ? QueryAnswer : !QueryAnswer);
        if (!holds) return true;
        return RunRemainder(*w, command == "_DO" ? "Error! No line found after successful _DO"
                                                 : "Error! No line found after successful _DC");
    }
    if (command == "_FI" || command == "_FT") {
        StopFlag = true;
        if (command == "_FT") CloseLink();
        return true;
    }
    if (command == "_DM") {
        if (!q) return true;
        MessageBuffer = ReplaceCaretM(*q, "\r");
        Tell(MessageBuffer);
        return true;
    }
    if (command == "_DQ") {
        if (!q) return true;
        QueryAsked = true;
        CommandBuffer = ReplaceCaretM(*q, "\r");
        QueryAnswer = MessageBoxA(Handle(), CommandBuffer.c_str(), "Quillon - Query", MB_OKCANCEL) == IDOK;
        return true;
    }
    if (command == "_WP") {
        // Until a prompt comes, or the program ends.
        bool got = SendCOMCmd_GetPrompt("\r\n");
        while (!got && !Application->Terminated()) {
            SetExpectedPrompt(NormalPrompt);
            got = SendCOMCmd_GetPrompt("\r\n");
            if (got || Application->Terminated()) break;
            SetExpectedPrompt(LoaderPrompt);
            got = SendCOMCmd_GetPrompt("\r\n");
        }
        return true;
    }
    if (command == "_LT") {
        if (!w) return true;
        TerminalDuringUpload = w->empty() ? 0 : static_cast<unsigned char>((*w)[0]);
        return true;
    }
    return true;
}
