#include "platform/ui/OtherRuns_p.h"

#include "platform/ui/WindowQueries.h"
#include "platform/win/Messages.h"
#include "platform/win/RunService.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace {

// How long another run may take over a window call.
constexpr DWORD kCallTimeoutMs = 5000;
const char* const kWindowCall = "window";

struct StandIns {
    std::mutex lock;
    std::map<std::pair<DWORD, HWND>, HWND> byTarget;
    std::map<HWND, TRunWindow> targets;
};

StandIns& TheStandIns() {
    static auto* table = new StandIns;
    return *table;
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(const std::string& in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

// Request: the call, the window, the argument. Answer: the result.
std::string HandleWindowCall(const std::string& body) {
    if (body.size() != 9) return std::string();
    const HWND wnd = GetU32(body, 1);
    const int arg = static_cast<int>(GetU32(body, 5));
    BOOL result = FALSE;
    switch (static_cast<TOtherRunCall>(body[0])) {
    case TOtherRunCall::IsIconic:
        result = IsIconic(wnd);
        break;
    case TOtherRunCall::ShowWindow:
        result = ShowWindow(wnd, arg);
        break;
    case TOtherRunCall::SetForegroundWindow:
        result = SetForegroundWindow(wnd);
        break;
    default:
        return std::string();
    }
    std::string answer;
    PutU32(answer, static_cast<std::uint32_t>(result));
    return answer;
}

} // namespace

void ServeOtherRuns() {
    SetRunRequestHandler(kWindowCall, HandleWindowCall);
    StartRunService();
}

HWND FindOtherRunWindow(const char* className, const char* windowName) {
    TRunWindow found;
    if (!FindRunWindow(className, windowName, &found)) return 0;
    StandIns& t = TheStandIns();
    std::lock_guard<std::mutex> g(t.lock);
    const auto key = std::make_pair(found.ProcessId, found.Wnd);
    auto it = t.byTarget.find(key);
    if (it != t.byTarget.end()) return it->second;
    const HWND standIn = CreateMessageWindow(className ? className : "", DefWindowProc);
    if (standIn == 0) return 0;
    t.byTarget[key] = standIn;
    t.targets[standIn] = found;
    return standIn;
}

bool CallOtherRunWindow(HWND wnd, TOtherRunCall call, int arg, BOOL* result) {
    TRunWindow target;
    {
        StandIns& t = TheStandIns();
        std::lock_guard<std::mutex> g(t.lock);
        auto it = t.targets.find(wnd);
        if (it == t.targets.end()) return false;
        target = it->second;
    }
    std::string body(1, static_cast<char>(call));
    PutU32(body, target.Wnd);
    PutU32(body, static_cast<std::uint32_t>(arg));
    std::string answer;
    *result =
        SendRunRequest(target.ProcessId, kWindowCall, body, &answer, kCallTimeoutMs) && answer.size() == 4
            ? static_cast<BOOL>(GetU32(answer, 0))
            : FALSE;
    return true;
}
