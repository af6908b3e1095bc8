#include "communications/tests/support/PacketRun.h"

#include "communications/VxPacket.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

#include <memory>

int TStepDispatcher::ProcessCommunications() {
    const int result = TMemoryDispatcher::ProcessCommunications();
    if (ClosePending() && DispatcherStarted() && !EventBusy()) DonePortPrim();
    return result;
}

TMemoryPort::TMemoryPort(TMemoryDispatcher::TMode Mode) : TVexComPort(nullptr), FMode(Mode) {
    SetComNumber(1);
    SetAutoOpen(false);
}

TVexBaseDispatcher* TMemoryPort::ActivateDeviceLayer() {
    if (FMode == TMemoryDispatcher::TMode::Manual) return new TStepDispatcher(FMode, this);
    return new TMemoryDispatcher(FMode, this);
}

namespace {

struct TRunRecorder {
    std::vector<std::string> Got;
    void StringPacket(TObject* Sender, const std::string& Data) {
        Got.push_back(static_cast<TVexDataPacket*>(Sender)->Name() + ":" + Data);
    }
    void Timeout(TObject* Sender) {
        auto* p = static_cast<TVexDataPacket*>(Sender);
        std::string data;
        p->GetCollectedString(data);
        Got.push_back(p->Name() + " timed out:" + data);
    }
    void Error(TObject*, Exception* E) { Got.push_back("error:" + E->Message); }
};

} // namespace

std::vector<std::string> RunPackets(const std::vector<TPacketSetup>& Setups,
                                    const std::vector<std::string>& Arrivals) {
    TRunRecorder rec;
    const TExceptionEvent saved = Application->OnException;
    Application->OnException = TExceptionEvent::Bind<&TRunRecorder::Error>(&rec);
    auto port = std::make_unique<TMemoryPort>();
    std::vector<std::unique_ptr<TVexDataPacket>> packets;
    port->SetOpen(true);
    for (const TPacketSetup& s : Setups) {
        auto p = std::make_unique<TVexDataPacket>(nullptr);
        ApplySetup(*p, s);
        p->OnStringPacket = TStringPacketNotifyEvent::Bind<&TRunRecorder::StringPacket>(&rec);
        p->OnTimeout = TNotifyEvent::Bind<&TRunRecorder::Timeout>(&rec);
        p->SetComPort(port.get());
        if (s.Enabled) p->SetEnabled(true);
        packets.push_back(std::move(p));
    }
    for (const std::string& bytes : Arrivals) {
        port->Device()->Receive(bytes);
        port->ProcessCommunications();
    }
    port->SetOpen(false);
    const std::uint64_t deadline = MonotonicMs() + 5000;
    while (port->PortState() != psClosed && MonotonicMs() < deadline) {
        ProcessMessages();
        CheckSynchronize(1);
    }
    packets.clear();
    port.reset();
    for (int i = 0; i < 5; ++i) ProcessMessages();
    Application->OnException = saved;
    return rec.Got;
}

std::vector<std::string> SplitAt(const std::string& Stream, std::size_t At) {
    return {Stream.substr(0, At), Stream.substr(At)};
}

std::vector<std::string> Bytewise(const std::string& Stream) {
    std::vector<std::string> out;
    for (char c : Stream) out.emplace_back(1, c);
    return out;
}
