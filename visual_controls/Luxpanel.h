// The library's windowed containers: a panel that can show its parent's background through itself,
// a bevel panel with a frame that may light up only while it is in use, a status bar that tells its
// labels how far to indent, and a scroll box with a bevel frame around its scroll bars and a
// transparent background. A transparent container takes its background from its parent's back
// bitmap, asked up the chain of parents.
#pragma once

#include "platform/ui/ScrollBox.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxbevel.h"

#include <cstdint>
#include <string>

class TLuxCustomPanel : public TLuxCustomControl {
public:
    explicit TLuxCustomPanel(TComponent* AOwner);
    void Dispatch(TMessage& Message) override;

    bool BackBitmapCheck() override;
    TBitmap* BackBitmap() override;
    TPoint BackMapPoint(const TPoint& P) override;
    bool BackDrawArea(TCanvas* Canvas, const TRect& Rect, const TPoint& Offset, WORD Flags) override;
};

class TLuxCustomBevelPanel : public TLuxCustomPanel {
public:
    explicit TLuxCustomBevelPanel(TComponent* AOwner);
    ~TLuxCustomBevelPanel() override;
    void Dispatch(TMessage& Message) override;

    TLuxBevel* Bevel() const { return bevel_; }
    void SetBevel(const TLuxBevel* Value);
    int BevelExt() const { return bevel_->Extent(); }
    int DblBevelExt() const { return 2 * bevel_->Extent(); }
    // The client rectangle inside the frame.
    TRect BeveledRect() const { return bevel_->ClientRect(ClientRect()); }

    void GetChange(TObject* Sender) override;
    bool GetEmpty() override;
    void MouseEnter() override;
    void RestoreBorderFront() override;
    void RestoreBorderBack() override;

protected:
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    // Aligned children stay inside the frame.
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void DoEnter() override;

private:
    TLuxBevel* bevel_;
};

class TLuxCustomStatusBar : public TLuxCustomBevelPanel {
public:
    using TLuxCustomBevelPanel::TLuxCustomBevelPanel;
    // How far the labels on the bar indent their text.
    virtual int GetControlGap() { return 0; }
};

// The scroll box's frame: the window's own client edge unless another mode is chosen.
class TLuxScrollBoxBevel : public TLuxBevel {
public:
    TLuxScrollBoxBevel();
};

class TLuxCustomScrollBox : public TScrollBox {
public:
    explicit TLuxCustomScrollBox(TComponent* AOwner);
    ~TLuxCustomScrollBox() override;
    TLuxCustomScrollBox(const TLuxCustomScrollBox&) = delete;
    TLuxCustomScrollBox& operator=(const TLuxCustomScrollBox&) = delete;
    void Dispatch(TMessage& Message) override;

    std::string About;
    TLuxScrollBoxBevel* Bevel() const { return bevel_; }
    void SetBevel(const TLuxBevel* Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    // Transparent children are told of every Delta-th scroll message while counting, else only at
    // the end of a scroll (SB_ENDSCROLL).
    bool ScrollCounting() const { return scrollCounting_; }
    void SetScrollCounting(bool Value) { scrollCounting_ = Value; }
    std::uint8_t Delta() const { return delta_; }
    // 0 and the present value are ignored; another resets the count.
    void SetDelta(std::uint8_t Value);
    TCanvas* Canvas() const { return canvas_; }
    TNotifyEvent OnPaint;

    bool VertScrollBarVisible() const;
    bool HorzScrollBarVisible() const;
    bool ScrollBarsVisible() const { return VertScrollBarVisible() && HorzScrollBarVisible(); }
    bool CheckOptimized() { return transparent_ && BackBitmapCheck(); }

    virtual void GetChange(TObject* Sender);
    virtual bool BackBitmapCheck();
    virtual TBitmap* BackBitmap();
    virtual TPoint BackMapPoint(const TPoint& P);
    virtual bool BackDrawArea(TCanvas* Canvas, const TRect& Rect, const TPoint& Offset, WORD Flags);

protected:
    void CreateParams(TCreateParams& Params) override;
    void PaintWindow(HDC DC) override;
    virtual void Paint();

private:
    // The bevel in the non-client area, and the corner square between two scroll bars.
    void PaintBevel();
    // Where the client area starts in the window, as the back bitmap is mapped.
    TPoint BorderOffset() const;
    void ScrollNotify();
    void BroadcastBackChanged();

    TLuxScrollBoxBevel* bevel_;
    TCanvas* canvas_;
    TCanvas* ncCanvas_;
    bool transparent_ = false;
    bool scrollCounting_ = true;
    std::uint8_t delta_ = 1;
    std::uint8_t scrollCounter_ = 0;
};
