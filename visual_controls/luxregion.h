// Window regions of many shapes and the borders painted along them: the region builders
// (LuxCreate...), the border painters (LuxFrame...), the border settings and the region settings
// object that builds, applies and paints a region for its owner window.
#pragma once

#include "platform/gdi/Region.h"
#include "platform/ui/Controls.h"
#include "visual_controls/LuxFill.h"
#include "visual_controls/LuxRegionMask.h"
#include "visual_controls/LuxRgnShadow.h"
#include "visual_controls/LuxWndProcComponent.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxpointlist.h"

#include <cstdint>
#include <vector>

enum TLuxRegionBorderStyle : unsigned char {
    rbNone,
    rbLowered,
    rbRaised,
    rbSingle,
    rbSingleRaised,
    rbSingleLowered,
    rbRaisedpsb,
    rbLoweredpsb
};
enum TLuxRegionShape : unsigned char {
    rsRect,
    rsRoundRect,
    rsBitmap,
    rsNoseRect,
    rsRoundNoseRect,
    rsElliptic,
    rsStar,
    rsRoundShield,
    rsSharpShield,
    rsDiamond,
    rsOctagon,
    rsComb,
    rsHalfRound,
    rsUserRegion,
    rsThinkBubble,
    rsRoundThinkBubble,
    rsEllipticThinkBubble,
    rsPointList
};
// Where a nose or a bubble trail sits: side first, then end.
enum TLuxExtPos : unsigned char {
    epLeftTop,
    epTopLeft,
    epTopRight,
    epRightTop,
    epRightBottom,
    epBottomRight,
    epBottomLeft,
    epLeftBottom
};

// --- Region builders: each returns a new region the caller owns --------------------------------------

HRGN LuxCreateDiamondRgn(const TRect& R);
HRGN LuxCreateStarRgn(const TRect& R);
HRGN LuxCreateOctagonRgn(const TRect& R);
HRGN LuxCreateCombRgn(const TRect& R);
// The shields are built from (0, 0) with R's width and height only.
HRGN LuxCreateRoundShieldRgn(const TRect& R);
HRGN LuxCreateSharpShieldRgn(const TRect& R);
HRGN LuxCreateNoseRectRgn(const TRect& R, int Size, TLuxExtPos Pos);
HRGN LuxCreateRoundNoseRectRgn(const TRect& R, int Size, int RoundX, int RoundY, TLuxExtPos Pos);
// A bubble count below 1 leaves the bubbles out.
HRGN LuxCreateThinkBubbleRgn(const TRect& R, int Size, int Count, TLuxExtPos Pos);
HRGN LuxCreateRoundThinkBubbleRgn(const TRect& R, int Size, int Count, TLuxExtPos Pos, int RoundX,
                                  int RoundY);
HRGN LuxCreateEllipticThinkBubbleRgn(const TRect& R, int Size, int Count, TLuxExtPos Pos);

// The geometry the nose and bubble shapes share: the body the nose or trail leaves of R, the
// nose triangle (tip first) and the bubble boxes.
TRect LuxNoseBody(const TRect& R, int Size, TLuxExtPos Pos);
std::vector<TPoint> LuxNoseTriangle(const TRect& Body, int Size, int BaseOffset, TLuxExtPos Pos);
std::vector<TRect> LuxThinkBubbles(const TRect& Body, int Size, int Count, TLuxExtPos Pos);

// --- Border painters ---------------------------------------------------------------------------------

void LuxFrameRectRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                     TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameRoundRectRgn(TCanvas* Canvas, const TRect& R, int RoundX, int RoundY, TColor LightColor,
                          TColor ShadowColor, TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameEllipticRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                         TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameHalfRoundRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                          TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameDiamondRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                        TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameStarRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                     TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameOctagonRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                        TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameCombRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                     TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameRoundShieldRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                            TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameSharpShieldRgn(TCanvas* Canvas, const TRect& R, TColor LightColor, TColor ShadowColor,
                            TColor SingleColor, TLuxRegionBorderStyle Style);
// The bubbles are framed first, each then kept out of the body's frame; the canvas's clipping is
// as it was afterwards.
void LuxFrameThinkBubbleRgn(TCanvas* Canvas, const TRect& R, int Size, TLuxExtPos Pos, int Count,
                            TColor LightColor, TColor ShadowColor, TColor SingleColor,
                            TLuxRegionBorderStyle Style);
void LuxFrameRoundThinkBubbleRgn(TCanvas* Canvas, const TRect& R, int Size, TLuxExtPos Pos, int Count,
                                 int RoundX, int RoundY, TColor LightColor, TColor ShadowColor,
                                 TColor SingleColor, TLuxRegionBorderStyle Style);
void LuxFrameEllipticThinkBubbleRgn(TCanvas* Canvas, const TRect& R, int Size, TLuxExtPos Pos, int Count,
                                    TColor LightColor, TColor ShadowColor, TColor SingleColor,
                                    TLuxRegionBorderStyle Style);
// Every edge of the closed polygon: light going up or right, dark going down or left.
void LuxFramePointList(TCanvas* Canvas, const TLuxPointList* Points, TColor LightColor, TColor ShadowColor,
                       TColor SingleColor, TLuxRegionBorderStyle Style);

// --- Settings ------------------------------------------------------------------------------------------

class TLuxRegionBorder : public TLuxObject {
public:
    TLuxRegionBorderStyle Style() const { return style_; }
    void SetBorderStyle(TLuxRegionBorderStyle Value);
    TColor LightColor() const { return lightColor_; }
    TColor ShadowColor() const { return shadowColor_; }
    TColor SingleColor() const { return singleColor_; }
    // 0 LightColor, 1 ShadowColor, 2 SingleColor.
    void SetColor(int Index, TColor Value);
    void Assign(const TPersistent* Source) override;

private:
    TLuxRegionBorderStyle style_ = rbSingle;
    TColor lightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
    TColor singleColor_ = clBlack;
};

class TLuxRegion : public TLuxObject {
public:
    explicit TLuxRegion(TWinControl* AOwner = nullptr);
    ~TLuxRegion() override;
    TLuxRegion(const TLuxRegion&) = delete;
    TLuxRegion& operator=(const TLuxRegion&) = delete;

    TLuxRegionShape Shape() const { return shape_; }
    void SetRegionShape(TLuxRegionShape Value);
    int RoundX() const { return roundX_; }
    int RoundY() const { return roundY_; }
    // 0 RoundX, 1 RoundY; notifies only for the shapes that use the rounding.
    void SetInteger(int Index, int Value);
    TLuxExtPos ExtPos() const { return extPos_; }
    void SetNosePos(TLuxExtPos Value);
    TLuxRegionBorder* Border() const { return border_; }
    void SetBorder(const TLuxRegionBorder* Value) { border_->Assign(Value); }
    TLuxRegionMask* Mask() const { return mask_; }
    void SetMask(const TLuxRegionMask* Value) { mask_->Assign(Value); }
    TLuxRgnShadow* Shadow() const { return shadow_; }
    void SetShadow(const TLuxShadow* Value) { shadow_->Assign(Value); }
    TLuxPointList* Points() const { return points_; }

    TWinControl* Owner() const { return owner_; }
    // Forgets the owner (its owner calls this before freeing it).
    void SetOwner(TWinControl* Value) { owner_ = Value; }
    TPoint OffsetPoint() const { return offset_; }
    void SetOffset(const TPoint& Value) { offset_ = Value; }
    bool ShadowSuppressed() const { return shadowSuppressed_; }
    void SetShadowSuppressed(bool Value) { shadowSuppressed_ = Value; }
    int BubbleCount() const { return bubbleCount_; }

    // The last region built (nullptr for none) and the region applied by SetRegion.
    HRGN BuiltRegion() const { return region_; }
    HRGN AppliedRegion() const { return applied_; }
    const std::vector<std::uint8_t>& UserRegionData() const { return userData_; }

    void GetPointListChange(TObject* Sender);
    // The user region becomes Rgn's data.
    void SetUserRgn(HRGN Rgn);
    // Points becomes these points, and their polygon the user region.
    void SetUserPolygonRgn(const std::vector<TPoint>& Points);

    virtual void CreateRegion(TRect R);
    void CreateSpecialRectRgn(const TRect& R);
    void SetRegion();
    void FreeRegion();
    // Moves R's right and bottom in by the shadow's depth (when it has a style) and paints it.
    void DrawShadow(TCanvas* Canvas, TRect& R);
    virtual void PaintRegionShape(TCanvas* Canvas, TRect R);
    static void DeleteHandle(HRGN& H);

    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;

private:
    bool OwnerDestroying() const;
    bool OwnerDesigning() const;
    // A polygon region through all points (alternate fill), as the user region.
    void PolygonToUserRgn();

    TLuxRegionShape shape_ = rsRoundRect;
    TLuxRegionBorder* border_;
    TLuxRegionMask* mask_;
    int bubbleCount_ = 4;
    int roundX_ = 20;
    int roundY_ = 20;
    HRGN region_ = nullptr;
    HRGN applied_ = nullptr;
    TWinControl* owner_;
    std::vector<std::uint8_t> userData_;
    TLuxExtPos extPos_ = epLeftTop;
    TLuxRgnShadow* shadow_;
    TPoint offset_;
    bool shadowSuppressed_ = false;
    TLuxPointList* points_;
};

// A region that publishes its border.
class TLuxBorderRegion : public TLuxRegion {
public:
    using TLuxRegion::TLuxRegion;
};

class TLuxChangeLink;
class TLuxCustomImageList;

// Gives the form that owns it a window region of one of the region shapes, paints the form's
// background with a fill or the region bitmap and the shape's border on it, and lets the user drag
// the form by any free spot of its client area. One per form.
class TLuxFormShape : public TLuxWndProcComponent {
public:
    explicit TLuxFormShape(TComponent* AOwner);
    ~TLuxFormShape() override;
    TLuxFormShape(const TLuxFormShape&) = delete;
    TLuxFormShape& operator=(const TLuxFormShape&) = delete;

    TLuxBorderRegion* Region() const { return region_; }
    void SetRegion(const TLuxRegion* Value) { region_->Assign(Value); }
    TLuxFillObject* FillObject() const { return fillObject_; }
    void SetFillObject(const TLuxFillObject* Value) { fillObject_->Assign(Value); }
    bool ShowFormCaption() const { return showFormCaption_; }
    bool FormDragable() const { return formDragable_; }
    bool UseRgnBitmap() const { return useRgnBitmap_; }
    // 0 ShowFormCaption, 1 FormDragable, 2 UseRgnBitmap.
    void SetBoolean(int Index, bool Value);
    int ListIndex() const { return listIndex_; }
    int ImageIndex() const { return imageIndex_; }
    // 0 ListIndex, 1 ImageIndex; stored only.
    void SetInteger(int Index, int Value);
    TLuxCustomImageList* ImageList() const { return imageList_; }
    void SetImageList(TLuxCustomImageList* List);
    // The stored rule of ImageList: a list that LuxContainer does not own.
    bool HasControl() const;
    // The list is one of LuxContainer's, streamed as "Internal".
    bool CheckCont() const;
    void GetIMLChange(TObject* Sender);
    // OnChange, then the window region anew.
    void GetChange(TObject* Sender) override;

    void SetPolygonShape(const std::vector<TPoint>& Points);
    void SetRegionShape(HRGN Rgn);
    // Builds the form's window region from the shape and hands it to the form.
    void ReRegion();
    // The background: the region bitmap or the fill, then the shape's shadow and border. DC 0 is
    // the form canvas's.
    void PaintBorder(HDC DC);

    // The form's background for transparent controls, in the form's client coordinates.
    TBitmap* BackBitmap() const;
    bool BackBitmapCheck() const;
    TPoint BackMapPoint(const TPoint& P) const { return P; }
    bool BackDrawArea(TCanvas* Canvas, const TRect& R, const TPoint& P, WORD Flags);

    // The rectangle the last shape was built in (client coordinates, one pixel beyond the client
    // area on every side) and the caption height it counted.
    TRect ClientRectangle() const { return clientRect_; }
    int CaptionHeight() const { return captionHeight_; }
    // The right button is down in the frame (WM_NCRBUTTONDOWN seen).
    bool RightButtonDown() const { return rightButton_; }

    void DefineProperties(TFiler* Filer) override;

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;

private:
    TCustomForm* Form() const;
    bool DesignTime() const;
    bool RgnBitmapShown() const { return useRgnBitmap_ && region_->Shape() == rsBitmap; }

    TLuxBorderRegion* region_;
    bool busy_ = false;
    bool useRgnBitmap_ = true;
    bool rightButton_ = false;
    bool formDragable_ = true;
    bool showFormCaption_ = true;
    TLuxFillObject* fillObject_;
    TBitmap* backBitmap_;
    TRect clientRect_;
    int listIndex_ = 0;
    int imageIndex_ = 0;
    int captionHeight_ = 0;
    TLuxChangeLink* changeLink_;
    TLuxCustomImageList* imageList_ = nullptr;
};

// The form shape a form holds (found as LuxCheckForFormComponent finds it), else nullptr.
TLuxFormShape* LuxFormShapeOf(TComponent* Form);
