#include "communications/VxStatLt.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxTrigger.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

constexpr int DefaultLightSize = 13;

// The port's line-status values: overrun, parity and framing errors; break.
constexpr WORD LineErrorBits = 7;
constexpr WORD LineBreakBit = 8;

bool BeingFreed(const TComponent* Component) {
    return Component->ComponentState().Contains(TComponentStateItem::csDestroying);
}

// Controllers alive now. A port cannot forget a user while it is being freed, so it may still
// call a controller freed before it; such calls are recognised here and dropped.
std::vector<TVexCustomSLController*>& LiveControllers() {
    static std::vector<TVexCustomSLController*> live;
    return live;
}

bool IsLive(const void* Controller) {
    const auto& live = LiveControllers();
    return std::find(live.begin(), live.end(), Controller) != live.end();
}

// Runs the controller's own work, then the handler it took over, whatever the first did: an
// application's handler must not miss data because a light could not be updated.
template <class Own, class Chain> void OwnThenChain(Own&& OwnWork, Chain&& ChainOn) {
    std::exception_ptr error;
    try {
        OwnWork();
    } catch (...) {
        error = std::current_exception();
    }
    ChainOn();
    if (error) std::rethrow_exception(error);
}

} // namespace

// --- Light --------------------------------------------------------------------------------------

TVexCustomStatusLight::TVexCustomStatusLight(TComponent* AOwner)
    : TVexBaseGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    SetBounds(Left(), Top(), DefaultLightSize, DefaultLightSize);
}

TVexCustomStatusLight::~TVexCustomStatusLight() = default;

void TVexCustomStatusLight::SetGlyph(TBitmap* Value) {
    FGlyph->Assign(Value);
    // An empty bitmap counts as none, as it does after loading.
    FHasGlyph = Value != nullptr && !FGlyph->Empty();
    if (FHasGlyph)
        SetBounds(Left(), Top(), FGlyph->Width() / 2, FGlyph->Height());
    else
        SetBounds(Left(), Top(), DefaultLightSize, DefaultLightSize);
    Invalidate();
}

void TVexCustomStatusLight::SetLit(bool Value) {
    if (Value == FLit) return;
    FLit = Value;
    Invalidate();
}

void TVexCustomStatusLight::SetLitColor(TColor Value) {
    if (Value == FLitColor) return;
    FLitColor = Value;
    if (!FHasGlyph && FLit) Invalidate();
}

void TVexCustomStatusLight::SetNotLitColor(TColor Value) {
    if (Value == FNotLitColor) return;
    FNotLitColor = Value;
    if (!FHasGlyph && !FLit) Invalidate();
}

void TVexCustomStatusLight::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (FHasGlyph) {
        AWidth = FGlyph->Width() / 2;
        AHeight = FGlyph->Height();
    }
    TVexBaseGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TVexCustomStatusLight::Loaded() {
    TVexBaseGraphicControl::Loaded();
    FHasGlyph = FGlyph->Handle() != nullptr;
}

void TVexCustomStatusLight::Paint() {
    if (Width() <= 0 || Height() <= 0) return;
    if (FHasGlyph)
        PaintGlyph();
    else
        PaintPlain();
}

void TVexCustomStatusLight::PaintGlyph() {
    const int w = Width();
    const int h = Height();
    TBitmap half;
    half.SetSize(w, h);
    half.Canvas()->CopyRect(Rect(0, 0, w, h), FGlyph->Canvas(),
                            FLit ? Rect(0, 0, w, h) : Rect(w, 0, 2 * w, h));
    half.SetTransparentColor(FGlyph->Canvas()->Pixels(0, 0));
    half.SetTransparent(true);

    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Parent() != nullptr ? Parent()->Brush()->Color() : Color());
    c->FillRect(ClientRect());
    c->Draw(0, 0, &half);
}

void TVexCustomStatusLight::PaintPlain() {
    const int w = Width();
    const int h = Height();
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(FLit ? FLitColor : FNotLitColor);
    c->FillRect(Rect(0, 0, w, h));
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(clWhite);
    c->MoveTo(0, 0);
    c->LineTo(w, 0);
    c->MoveTo(0, 0);
    c->LineTo(0, h);
    c->Pen()->SetColor(clGray);
    c->MoveTo(w - 1, 1);
    c->LineTo(w - 1, h);
    c->MoveTo(1, h - 1);
    c->LineTo(w, h - 1);
}

// --- Light set ----------------------------------------------------------------------------------

void TLightSet::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TLightSet*>(Source);
    if (other == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    for (int i = 0; i < Count; ++i) SetLight(i, other->Light(i));
}

void TLightSet::SetLight(int Index, TVexCustomStatusLight* Value) {
    FLights.at(static_cast<std::size_t>(Index)) = Value;
    // A light on another form is freed without its owner telling the controller's.
    if (Value != nullptr && FNotifier != nullptr) FNotifier->FreeNotification(Value);
}

// --- Controller ---------------------------------------------------------------------------------

TVexCustomSLController::TVexCustomSLController(TComponent* AOwner)
    : TVexBaseComponent(AOwner), FLights(std::make_unique<TLightSet>(this)) {
    LiveControllers().push_back(this);
    InitTriggers();
    if (TVexCustomComPort* port = SearchComPort(AOwner)) {
        FComPort = port;
        port->FreeNotification(this);
        RegisterWithPort();
    }
}

TVexCustomSLController::~TVexCustomSLController() {
    std::erase(LiveControllers(), this);
    try {
        SetMonitoring(false);
    } catch (...) {
        // A trigger the port no longer had; nothing is left to undo.
    }
    DeregisterFromPort();
}

bool TVexCustomSLController::PortUsable() const {
    // A port whose destruction has begun may already have lost its derived parts.
    return FComPort != nullptr && !BeingFreed(FComPort);
}

void TVexCustomSLController::PortCallback(void* Self, TObject* CP, bool Opening) {
    if (IsLive(Self)) static_cast<TVexCustomSLController*>(Self)->StatPortClose(CP, Opening);
}

TPortCallback TVexCustomSLController::PortCloseCallback() {
    return TPortCallback(&PortCallback, this);
}

void TVexCustomSLController::RegisterWithPort() {
    if (FRegisteredPort == FComPort || !PortUsable()) return;
    DeregisterFromPort();
    FComPort->RegisterUserCallback(PortCloseCallback());
    FRegisteredPort = FComPort;
}

void TVexCustomSLController::DeregisterFromPort() {
    TVexCustomComPort* port = std::exchange(FRegisteredPort, nullptr);
    if (port == nullptr || port != FComPort || !PortUsable()) return;
    port->DeregisterUserCallback(PortCloseCallback());
}

void TVexCustomSLController::SetComPort(TVexCustomComPort* Value) {
    if (Value == FComPort) return;
    const bool resume = FMonitoring || FMonitoringPending;
    DeregisterFromPort();
    // The switch completes even when the old port refuses to let go of a trigger.
    std::exception_ptr error;
    try {
        SetMonitoring(false);
    } catch (...) {
        error = std::current_exception();
    }
    if (FComPort != nullptr && PortUsable()) FComPort->RemoveFreeNotification(this);
    FComPort = Value;
    FStalePort = nullptr;
    FStaleTriggers.clear();
    if (Value != nullptr) {
        Value->FreeNotification(this);
        RegisterWithPort();
        if (resume) SetMonitoring(true);
    } else {
        // Monitoring waits for a port rather than failing for the lack of one.
        FMonitoringPending = resume;
    }
    if (error) std::rethrow_exception(error);
}

void TVexCustomSLController::SetMonitoring(bool Value) {
    const TComponentState state = ComponentState();
    if (state.Contains(TComponentStateItem::csDesigning) || state.Contains(TComponentStateItem::csLoading))
        return;
    if (Value == FMonitoring) {
        // Off also means: not when the port opens.
        if (!Value) FMonitoringPending = false;
        return;
    }
    if (FComPort == nullptr) throw EPortNotAssigned(ecPortNotAssigned);
    if (!PortUsable() || FComPort->PortState() != psOpen) {
        FMonitoringPending = Value;
        if (Value) return;
    } else {
        FMonitoringPending = false;
    }
    FMonitoring = Value;
    if (Value) {
        // Never our own handlers: forwarding to them would not end.
        const TTriggerAvailEvent ownAvail =
            TTriggerAvailEvent::Bind<&TVexCustomSLController::StatTriggerAvail>(this);
        const TTriggerStatusEvent ownStatus =
            TTriggerStatusEvent::Bind<&TVexCustomSLController::StatTriggerStatus>(this);
        const TTriggerTimerEvent ownTimer =
            TTriggerTimerEvent::Bind<&TVexCustomSLController::StatTriggerTimer>(this);
        FSaveTriggerAvail = FComPort->OnTriggerAvail() == ownAvail ? nullptr : FComPort->OnTriggerAvail();
        FSaveTriggerStatus = FComPort->OnTriggerStatus() == ownStatus ? nullptr : FComPort->OnTriggerStatus();
        FSaveTriggerTimer = FComPort->OnTriggerTimer() == ownTimer ? nullptr : FComPort->OnTriggerTimer();
        FComPort->SetOnTriggerAvail(ownAvail);
        FComPort->SetOnTriggerStatus(ownStatus);
        FComPort->SetOnTriggerTimer(ownTimer);
        try {
            RemoveStaleTriggers();
            AddTriggers();
        } catch (...) {
            // Not monitoring after all: the port gets its handlers back.
            FMonitoring = false;
            FComPort->SetOnTriggerAvail(std::exchange(FSaveTriggerAvail, nullptr));
            FComPort->SetOnTriggerStatus(std::exchange(FSaveTriggerStatus, nullptr));
            FComPort->SetOnTriggerTimer(std::exchange(FSaveTriggerTimer, nullptr));
            InitLights();
            throw;
        }
        InitLights();
        return;
    }
    if (PortUsable()) {
        FComPort->SetOnTriggerAvail(FSaveTriggerAvail);
        FComPort->SetOnTriggerStatus(FSaveTriggerStatus);
        FComPort->SetOnTriggerTimer(FSaveTriggerTimer);
    }
    FSaveTriggerAvail = nullptr;
    FSaveTriggerStatus = nullptr;
    FSaveTriggerTimer = nullptr;
    std::exception_ptr error;
    try {
        RemoveTriggers();
    } catch (...) {
        error = std::current_exception();
    }
    InitLights();
    if (error) std::rethrow_exception(error);
}

void TVexCustomSLController::SetLights(const TLightSet* Value) {
    if (Value != nullptr) {
        FLights->Assign(Value);
        return;
    }
    for (int i = 0; i < TLightSet::Count; ++i) FLights->SetLight(i, nullptr);
}

void TVexCustomSLController::Notification(TComponent* AComponent, TOperation Operation) {
    TVexBaseComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opInsert) {
        if (FComPort == nullptr)
            if (auto* port = dynamic_cast<TVexCustomComPort*>(AComponent)) SetComPort(port);
        return;
    }
    if (AComponent == FComPort && FComPort != nullptr) {
        const bool resume = FMonitoring || FMonitoringPending;
        try {
            SetMonitoring(false);
        } catch (...) {
            // The port is going; whatever it still held goes with it.
        }
        FComPort = nullptr;
        FRegisteredPort = nullptr;
        FStalePort = nullptr;
        FStaleTriggers.clear();
        FMonitoringPending = resume;
    }
    for (int i = 0; i < TLightSet::Count; ++i)
        if (FLights->Light(i) == AComponent) FLights->SetLight(i, nullptr);
}

void TVexCustomSLController::Loaded() {
    TVexBaseComponent::Loaded();
    RegisterWithPort();
}

void TVexCustomSLController::InitTriggers() {
    FModemStatMask = 0;
    FModemStatusTrig = 0;
    FLineErrorTrig = 0;
    FBreakTrig = 0;
    FErrorTimerTrig = 0;
    FBreakTimerTrig = 0;
    FRXDTimerTrig = 0;
    FTXDStatusTrig = 0;
    FTXDTimerTrig = 0;
    FRingTimerTrig = 0;
}

void TVexCustomSLController::AddTriggers() {
    InitTriggers();
    if (FComPort == nullptr) return;
    try {
        TVexCustomComPort& port = *FComPort;
        const bool modem = GetHaveCTSLight() || GetHaveDSRLight() || GetHaveDCDLight() || GetHaveRINGLight();
        if (modem) {
            FModemStatusTrig = port.AddStatusTrigger(stModem);
            if (GetHaveRINGLight()) FRingTimerTrig = port.AddTimerTrigger();
        }
        if (GetHaveERRORLight()) {
            FLineErrorTrig = port.AddStatusTrigger(stLine);
            FErrorTimerTrig = port.AddTimerTrigger();
        }
        if (GetHaveBREAKLight()) {
            FBreakTrig = port.AddStatusTrigger(stLine);
            FBreakTimerTrig = port.AddTimerTrigger();
        }
        if (GetHaveRXDLight()) FRXDTimerTrig = port.AddTimerTrigger();
        if (GetHaveTXDLight()) {
            FTXDStatusTrig = port.AddStatusTrigger(stOutSent);
            FTXDTimerTrig = port.AddTimerTrigger();
        }

        if (GetHaveCTSLight()) FModemStatMask |= ModemCts;
        if (GetHaveDSRLight()) FModemStatMask |= ModemDsr;
        if (GetHaveDCDLight()) FModemStatMask |= ModemDcd;
        if (GetHaveRINGLight()) FModemStatMask |= ModemTrailingRi;

        if (modem) port.SetStatusTrigger(FModemStatusTrig, FModemStatMask, true);
        if (GetHaveERRORLight()) port.SetStatusTrigger(FLineErrorTrig, LineErrorBits, true);
        if (GetHaveBREAKLight()) port.SetStatusTrigger(FBreakTrig, LineBreakBit, true);
        if (GetHaveTXDLight()) port.SetStatusTrigger(FTXDStatusTrig, 0, true);
    } catch (...) {
        FModemStatMask = 0;
        try {
            RemoveTriggers();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
}

void TVexCustomSLController::RemoveTriggers() {
    const WORD handles[] = {FModemStatusTrig, FRingTimerTrig, FLineErrorTrig, FErrorTimerTrig, FBreakTrig,
                            FBreakTimerTrig,  FRXDTimerTrig,  FTXDStatusTrig, FTXDTimerTrig};
    InitTriggers();
    if (!PortUsable()) return;
    if (FComPort->PortState() != psOpen) {
        // The port keeps its triggers over a close and brings them back when it opens.
        if (FStalePort != FComPort) FStaleTriggers.clear();
        FStalePort = FComPort;
        for (WORD h : handles)
            if (h != 0) FStaleTriggers.push_back(h);
        return;
    }
    std::exception_ptr error;
    for (WORD h : handles) {
        if (h == 0) continue;
        try {
            FComPort->RemoveTrigger(h);
        } catch (...) {
            if (!error) error = std::current_exception();
        }
    }
    if (error) std::rethrow_exception(error);
}

void TVexCustomSLController::RemoveStaleTriggers() {
    if (FStaleTriggers.empty()) return;
    if (FStalePort != FComPort || !PortUsable() || FComPort->PortState() != psOpen) return;
    const std::vector<WORD> stale = std::exchange(FStaleTriggers, {});
    FStalePort = nullptr;
    for (WORD h : stale) {
        try {
            FComPort->RemoveTrigger(h);
        } catch (const EVEXException&) {
            // Not brought back: nothing to remove.
        }
    }
}

void TVexCustomSLController::InitLights() {
    for (int i = 0; i < TLightSet::Count; ++i) CheckLight(false, FLights->Light(i));
    if (!FMonitoring || !PortUsable()) return;
    if (GetHaveCTSLight()) CheckLight(FComPort->GetCTS(), FLights->CTSLight());
    if (GetHaveDSRLight()) CheckLight(FComPort->GetDSR(), FLights->DSRLight());
    if (GetHaveDCDLight()) CheckLight(FComPort->GetDCD(), FLights->DCDLight());
}

void TVexCustomSLController::CheckLight(bool State, TVexCustomStatusLight* Light) {
    if (Light == nullptr || BeingFreed(Light)) return;
    if (Light->Lit() != State) Light->SetLit(State);
}

// --- Trigger handlers ---------------------------------------------------------------------------

void TVexCustomSLController::StatTriggerAvail(TObject* CP, WORD Count) {
    const TTriggerAvailEvent chain = FSaveTriggerAvail;
    OwnThenChain(
        [&] {
            TVexCustomStatusLight* rxd = FLights->RXDLight();
            if (rxd == nullptr || FRXDTimerTrig == 0 || !PortUsable() || rxd->Lit()) return;
            rxd->SetLit(true);
            FComPort->SetTimerTrigger(FRXDTimerTrig, FRXDOffTimeout, true);
        },
        [&] {
            if (chain) chain(CP, Count);
        });
}

void TVexCustomSLController::StatTriggerStatus(TObject* CP, WORD TriggerHandle) {
    const TTriggerStatusEvent chain = FSaveTriggerStatus;
    OwnThenChain(
        [&] {
            if (TriggerHandle == 0 || !PortUsable()) return;
            TVexCustomComPort& port = *FComPort;
            if (TriggerHandle == FModemStatusTrig) {
                if (GetHaveDCDLight()) CheckLight(port.GetDCD(), FLights->DCDLight());
                if (GetHaveCTSLight()) CheckLight(port.GetCTS(), FLights->CTSLight());
                if (GetHaveDSRLight()) CheckLight(port.GetDSR(), FLights->DSRLight());
                TVexCustomStatusLight* ring = FLights->RINGLight();
                if (ring != nullptr && FRingTimerTrig != 0 && port.GetDeltaRI() && !ring->Lit()) {
                    ring->SetLit(true);
                    port.SetTimerTrigger(FRingTimerTrig, FRingOffTimeout, true);
                }
                port.SetStatusTrigger(FModemStatusTrig, FModemStatMask, true);
            } else if (TriggerHandle == FLineErrorTrig) {
                CheckLight(true, FLights->ERRORLight());
                port.SetTimerTrigger(FErrorTimerTrig, FErrorOffTimeout, true);
                port.GetLineError();
            } else if (TriggerHandle == FBreakTrig) {
                CheckLight(true, FLights->BREAKLight());
                port.SetTimerTrigger(FBreakTimerTrig, FBreakOffTimeout, true);
                port.GetLineBreak();
            } else if (TriggerHandle == FTXDStatusTrig) {
                CheckLight(true, FLights->TXDLight());
                port.SetTimerTrigger(FTXDTimerTrig, FTXDOffTimeout, true);
            }
        },
        [&] {
            if (chain) chain(CP, TriggerHandle);
        });
}

void TVexCustomSLController::StatTriggerTimer(TObject* CP, WORD TriggerHandle) {
    const TTriggerTimerEvent chain = FSaveTriggerTimer;
    OwnThenChain(
        [&] {
            if (TriggerHandle == 0 || !PortUsable()) return;
            TVexCustomComPort& port = *FComPort;
            if (TriggerHandle == FErrorTimerTrig) {
                CheckLight(false, FLights->ERRORLight());
                port.SetStatusTrigger(FLineErrorTrig, LineErrorBits, true);
            } else if (TriggerHandle == FBreakTimerTrig) {
                CheckLight(false, FLights->BREAKLight());
                port.SetStatusTrigger(FBreakTrig, LineBreakBit, true);
            } else if (TriggerHandle == FRXDTimerTrig) {
                if (port.GetInBuffUsed() > 0)
                    port.SetTimerTrigger(FRXDTimerTrig, FRXDOffTimeout, true);
                else
                    CheckLight(false, FLights->RXDLight());
            } else if (TriggerHandle == FTXDTimerTrig) {
                if (port.GetOutBuffUsed() > 0) {
                    port.SetTimerTrigger(FTXDTimerTrig, FTXDOffTimeout, true);
                } else {
                    CheckLight(false, FLights->TXDLight());
                    port.SetStatusTrigger(FTXDStatusTrig, 0, true);
                }
            } else if (TriggerHandle == FRingTimerTrig) {
                CheckLight(false, FLights->RINGLight());
            }
        },
        [&] {
            if (chain) chain(CP, TriggerHandle);
        });
}

void TVexCustomSLController::StatPortClose(TObject* CP, bool Opening) {
    if (ComponentState().Contains(TComponentStateItem::csDesigning)) return;
    if (CP != FComPort || FComPort == nullptr) return;
    if (!Opening) {
        const bool resume = FMonitoring || FMonitoringPending;
        SetMonitoring(false);
        FMonitoringPending = resume;
        return;
    }
    RemoveStaleTriggers();
    if (FMonitoringPending) {
        FMonitoringPending = false;
        SetMonitoring(true);
    }
}

// --- Published ----------------------------------------------------------------------------------

namespace {

const bool kPublished = [] {
    using namespace published;
    using L = TVexStatusLight;
    PublishProperties<L, TVexBaseGraphicControl>({
        Property<L>(
            "Glyph", [](const L& l) { return l.Glyph(); }, [](L& l, TBitmap* v) { l.SetGlyph(v); }),
        Property<L>(
            "Lit", [](const L& l) { return l.Lit(); }, [](L& l, bool v) { l.SetLit(v); }, false),
        Property<L>(
            "LitColor", [](const L& l) { return l.LitColor(); }, [](L& l, TColor v) { l.SetLitColor(v); },
            255),
        Property<L>(
            "NotLitColor", [](const L& l) { return l.NotLitColor(); },
            [](L& l, TColor v) { l.SetNotLitColor(v); }, 32768),
    });

    using S = TLightSet;
    auto light = [](const char* name, int index) {
        return Property<S>(
            name, [index](const S& s) { return s.Light(index); },
            [index](S& s, TVexCustomStatusLight* v) { s.SetLight(index, v); });
    };
    PublishProperties<S>({light("CTSLight", 0), light("DSRLight", 1), light("DCDLight", 2),
                          light("RINGLight", 3), light("TXDLight", 4), light("RXDLight", 5),
                          light("ERRORLight", 6), light("BREAKLight", 7)});

    using C = TVexSLController;
    PublishProperties<C, TVexBaseComponent>({
        Property<C>(
            "ComPort", [](const C& c) { return c.ComPort(); },
            [](C& c, TVexCustomComPort* v) { c.SetComPort(v); }),
        Property<C>(
            "ErrorOffTimeout", [](const C& c) { return c.ErrorOffTimeout(); },
            [](C& c, int v) { c.SetErrorOffTimeout(v); }, 36),
        Property<C>(
            "BreakOffTimeout", [](const C& c) { return c.BreakOffTimeout(); },
            [](C& c, int v) { c.SetBreakOffTimeout(v); }, 36),
        Property<C>(
            "RXDOffTimeout", [](const C& c) { return c.RXDOffTimeout(); },
            [](C& c, int v) { c.SetRXDOffTimeout(v); }, 1),
        Property<C>(
            "TXDOffTimeout", [](const C& c) { return c.TXDOffTimeout(); },
            [](C& c, int v) { c.SetTXDOffTimeout(v); }, 1),
        Property<C>(
            "RingOffTimeout", [](const C& c) { return c.RingOffTimeout(); },
            [](C& c, int v) { c.SetRingOffTimeout(v); }, 8),
        Property<C>(
            "Lights", [](const C& c) { return c.Lights(); }, [](C& c, TLightSet* v) { c.SetLights(v); }),
    });
    RegisterClass<TVexStatusLight>();
    RegisterClass<TVexSLController>();
    return true;
}();

} // namespace
