#include "platform/win/BroadcastMessages.h"

#include "platform/win/Messages.h"
#include "platform/win/RunService.h"
#include "platform/win/Sync.h"

#include <cctype>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace {

constexpr UINT kFirstRegistered = 0xC000;
constexpr UINT kLastRegistered = 0xFFFF;
const char* const kBroadcastRequest = "broadcast";

struct Registered {
    std::mutex lock;
    std::map<std::string, UINT> byKey; // the name in upper case
    std::map<UINT, std::string> names; // as first registered
    std::set<HWND> receivers;
    UINT next = kFirstRegistered;
    bool serving = false;
};

Registered& Table() {
    static auto* table = new Registered;
    return *table;
}

std::string Key(const std::string& name) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

void PutU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t GetU64(const std::string& in, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

BOOL PostToReceivers(UINT msg, WPARAM wParam, LPARAM lParam) {
    std::set<HWND> receivers;
    {
        Registered& t = Table();
        std::lock_guard<std::mutex> g(t.lock);
        receivers = t.receivers;
    }
    BOOL any = FALSE;
    for (HWND wnd : receivers) {
        if (PostMessage(wnd, msg, wParam, lParam))
            any = TRUE;
        else
            SetBroadcastReceiver(wnd, false); // destroyed meanwhile
    }
    return any;
}

// Request: wParam and lParam (8 bytes each, low byte first), then the message's name.
std::string TakeBroadcast(const std::string& body) {
    if (body.size() <= 16) return std::string();
    const UINT msg = RegisterWindowMessageA(body.substr(16).c_str());
    if (msg != 0)
        PostToReceivers(msg, static_cast<WPARAM>(GetU64(body, 0)), static_cast<LPARAM>(GetU64(body, 8)));
    return std::string();
}

} // namespace

UINT RegisterWindowMessageA(const char* name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registered& t = Table();
    bool serve = false;
    UINT id = 0;
    {
        std::lock_guard<std::mutex> g(t.lock);
        const std::string key = Key(name);
        auto it = t.byKey.find(key);
        if (it != t.byKey.end()) {
            id = it->second;
        } else if (t.next <= kLastRegistered) {
            id = t.next++;
            t.byKey.emplace(key, id);
            t.names.emplace(id, name);
        }
        serve = id != 0 && !t.serving;
        if (serve) t.serving = true;
    }
    if (id == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (serve) {
        SetRunRequestHandler(kBroadcastRequest, TakeBroadcast);
        StartRunService();
    }
    return id;
}

void SetBroadcastReceiver(HWND wnd, bool receives) {
    Registered& t = Table();
    std::lock_guard<std::mutex> g(t.lock);
    if (receives)
        t.receivers.insert(wnd);
    else
        t.receivers.erase(wnd);
}

BOOL BroadcastMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    BOOL any = PostToReceivers(msg, wParam, lParam);
    std::string name;
    {
        Registered& t = Table();
        std::lock_guard<std::mutex> g(t.lock);
        if (auto it = t.names.find(msg); it != t.names.end()) name = it->second;
    }
    if (!name.empty()) {
        std::string body;
        PutU64(body, static_cast<std::uint64_t>(wParam));
        PutU64(body, static_cast<std::uint64_t>(lParam));
        body += name;
        if (BroadcastRunRequest(kBroadcastRequest, body) > 0) any = TRUE;
    }
    return any;
}
