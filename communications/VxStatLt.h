// Unit VxStatLt: TVexStatusLight, a small two-state light, and TVexSLController, which drives up to
// eight such lights from a port's triggers: the modem lines, ring, transmit and receive activity,
// line errors and breaks.
//
// While it monitors, the controller takes over the port's OnTriggerAvail, OnTriggerStatus and
// OnTriggerTimer events and hands each on, after its own work, to the handler assigned before.
// Everything runs on the thread that owns the port's window.
#pragma once

#include "communications/VxMisc.h"
#include "communications/VxPort.h"
#include "platform/ui/Graphics.h"
#include "platform/win/Types.h"

#include <array>
#include <memory>
#include <vector>

class TVexCustomStatusLight : public TVexBaseGraphicControl {
public:
    explicit TVexCustomStatusLight(TComponent* AOwner);
    ~TVexCustomStatusLight() override;
    TVexCustomStatusLight(const TVexCustomStatusLight&) = delete;
    TVexCustomStatusLight& operator=(const TVexCustomStatusLight&) = delete;

    // Lit image in the left half, unlit image in the right half; the glyph's top-left pixel colour
    // shows the parent's background. A glyph sizes the light to one half.
    TBitmap* Glyph() const { return FGlyph.get(); }
    // Copies the bitmap; nullptr (or an empty bitmap) goes back to the plain 13 x 13 light.
    void SetGlyph(TBitmap* Value);
    bool Lit() const { return FLit; }
    void SetLit(bool Value);
    TColor LitColor() const { return FLitColor; }
    void SetLitColor(TColor Value);
    TColor NotLitColor() const { return FNotLitColor; }
    void SetNotLitColor(TColor Value);

    // With a glyph, the size stays that of half the glyph.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    void Paint() override;
    void Loaded() override;

private:
    void PaintGlyph();
    void PaintPlain();

    std::unique_ptr<TBitmap> FGlyph;
    bool FHasGlyph = false;
    bool FLit = false;
    TColor FLitColor = 255;
    TColor FNotLitColor = 32768;
};

class TVexStatusLight : public TVexCustomStatusLight {
public:
    using TVexCustomStatusLight::TVexCustomStatusLight;
};

// The lights a controller drives. It refers to them and owns none; in a controller's set a light
// that is freed leaves its slot empty.
class TLightSet : public TPersistent {
public:
    // Notifier, when given, is asked to hear of the end of every light put in the set.
    explicit TLightSet(TComponent* Notifier = nullptr) : FNotifier(Notifier) {}

    // From another light set: its eight references.
    void Assign(const TPersistent* Source) override;

    TVexCustomStatusLight* CTSLight() const { return FLights[0]; }
    void SetCTSLight(TVexCustomStatusLight* Value) { SetLight(0, Value); }
    TVexCustomStatusLight* DSRLight() const { return FLights[1]; }
    void SetDSRLight(TVexCustomStatusLight* Value) { SetLight(1, Value); }
    TVexCustomStatusLight* DCDLight() const { return FLights[2]; }
    void SetDCDLight(TVexCustomStatusLight* Value) { SetLight(2, Value); }
    TVexCustomStatusLight* RINGLight() const { return FLights[3]; }
    void SetRINGLight(TVexCustomStatusLight* Value) { SetLight(3, Value); }
    TVexCustomStatusLight* TXDLight() const { return FLights[4]; }
    void SetTXDLight(TVexCustomStatusLight* Value) { SetLight(4, Value); }
    TVexCustomStatusLight* RXDLight() const { return FLights[5]; }
    void SetRXDLight(TVexCustomStatusLight* Value) { SetLight(5, Value); }
    TVexCustomStatusLight* ERRORLight() const { return FLights[6]; }
    void SetERRORLight(TVexCustomStatusLight* Value) { SetLight(6, Value); }
    TVexCustomStatusLight* BREAKLight() const { return FLights[7]; }
    void SetBREAKLight(TVexCustomStatusLight* Value) { SetLight(7, Value); }

    static constexpr int Count = 8;
    // In the order above: CTS, DSR, DCD, RING, TXD, RXD, ERROR, BREAK.
    TVexCustomStatusLight* Light(int Index) const { return FLights.at(static_cast<std::size_t>(Index)); }
    void SetLight(int Index, TVexCustomStatusLight* Value);

private:
    TComponent* FNotifier;
    std::array<TVexCustomStatusLight*, Count> FLights{};
};

class TVexCustomSLController : public TVexBaseComponent {
public:
    // Watches the first port among the owner's components, if there is one.
    explicit TVexCustomSLController(TComponent* AOwner);
    ~TVexCustomSLController() override;
    TVexCustomSLController(const TVexCustomSLController&) = delete;
    TVexCustomSLController& operator=(const TVexCustomSLController&) = delete;

    TVexCustomComPort* ComPort() const { return FComPort; }
    // Monitoring moves to the new port: at once when it is open, else when it opens. Without a
    // port, monitoring waits for one.
    void SetComPort(TVexCustomComPort* Value);

    // Raises EPortNotAssigned without a port. On a closed port monitoring waits for the port to
    // open; turning it off also drops such a wait.
    bool Monitoring() const { return FMonitoring; }
    void SetMonitoring(bool Value);

    // Ticks (55 ms) each light stays on; the activity lights stay on while their buffer holds data.
    int ErrorOffTimeout() const { return FErrorOffTimeout; }
    void SetErrorOffTimeout(int Value) { FErrorOffTimeout = Value; }
    int BreakOffTimeout() const { return FBreakOffTimeout; }
    void SetBreakOffTimeout(int Value) { FBreakOffTimeout = Value; }
    int RXDOffTimeout() const { return FRXDOffTimeout; }
    void SetRXDOffTimeout(int Value) { FRXDOffTimeout = Value; }
    int TXDOffTimeout() const { return FTXDOffTimeout; }
    void SetTXDOffTimeout(int Value) { FTXDOffTimeout = Value; }
    int RingOffTimeout() const { return FRingOffTimeout; }
    void SetRingOffTimeout(int Value) { FRingOffTimeout = Value; }

    // Lights added while monitoring take part from the next start of monitoring.
    TLightSet* Lights() const { return FLights.get(); }
    // Copies the references of Value.
    void SetLights(const TLightSet* Value);

    bool GetHaveCTSLight() const { return FLights->CTSLight() != nullptr; }
    bool GetHaveDSRLight() const { return FLights->DSRLight() != nullptr; }
    bool GetHaveDCDLight() const { return FLights->DCDLight() != nullptr; }
    bool GetHaveRINGLight() const { return FLights->RINGLight() != nullptr; }
    bool GetHaveTXDLight() const { return FLights->TXDLight() != nullptr; }
    bool GetHaveRXDLight() const { return FLights->RXDLight() != nullptr; }
    bool GetHaveERRORLight() const { return FLights->ERRORLight() != nullptr; }
    bool GetHaveBREAKLight() const { return FLights->BREAKLight() != nullptr; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;

    void AddTriggers();
    void RemoveTriggers();
    void InitTriggers();
    void InitLights();
    void CheckLight(bool State, TVexCustomStatusLight* Light);

    // Installed on the port while monitoring.
    void StatTriggerAvail(TObject* CP, WORD Count);
    void StatTriggerStatus(TObject* CP, WORD TriggerHandle);
    void StatTriggerTimer(TObject* CP, WORD TriggerHandle);
    // Told by the port of its opening and closing.
    void StatPortClose(TObject* CP, bool Opening);

private:
    static void PortCallback(void* Self, TObject* CP, bool Opening);
    TPortCallback PortCloseCallback();
    void RegisterWithPort();
    void DeregisterFromPort();
    bool PortUsable() const;
    void RemoveStaleTriggers();

    TVexCustomComPort* FComPort = nullptr;
    TVexCustomComPort* FRegisteredPort = nullptr; // the port StatPortClose is registered with
    bool FMonitoring = false;
    bool FMonitoringPending = false;
    int FErrorOffTimeout = 36;
    int FBreakOffTimeout = 36;
    int FRXDOffTimeout = 1;
    int FTXDOffTimeout = 1;
    int FRingOffTimeout = 8;
    std::unique_ptr<TLightSet> FLights;

    TTriggerAvailEvent FSaveTriggerAvail;
    TTriggerStatusEvent FSaveTriggerStatus;
    TTriggerTimerEvent FSaveTriggerTimer;

    BYTE FModemStatMask = 0;
    WORD FModemStatusTrig = 0;
    WORD FLineErrorTrig = 0;
    WORD FBreakTrig = 0;
    WORD FErrorTimerTrig = 0;
    WORD FBreakTimerTrig = 0;
    WORD FRXDTimerTrig = 0;
    WORD FTXDStatusTrig = 0;
    WORD FTXDTimerTrig = 0;
    WORD FRingTimerTrig = 0;

    // Triggers that could not be removed because their port was closing: the port brings them
    // back when it opens again, and they go then.
    TVexCustomComPort* FStalePort = nullptr;
    std::vector<WORD> FStaleTriggers;
};

class TVexSLController : public TVexCustomSLController {
public:
    using TVexCustomSLController::TVexCustomSLController;
};
