// Unit Std2 of the indicator library: the steel brush pattern behind a lamp with SteelLook, the
// unit's start-up and shut-down that build and free it, two timers that do without the window
// timer, a program runner, a plain delay and the version-information reader.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Classes.h"
#include "platform/ui/ControlMessages.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"
#include "platform/win/Thread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// 8 x 8 silver with a white dot wherever x and y are both odd. Built at unit start-up and freed at
// shut-down; everyone else only reads it.
extern TBitmap* TSteel;
// One minute in day units, set at start-up.
extern long double vcCalcOffSetTime;

// Both run by themselves when the program starts and ends. Calls nest: only the first start-up
// does the work, and only the shut-down that balances it undoes it.
void InitializeStd2();
void FinalizeStd2();

// --- TvcTimer --------------------------------------------------------------------------------------

class TvcTimerThread;

// A worker thread waits the interval and hands Timer to the GUI thread, which runs OnTimer there.
// The worker runs from construction; it stands idle while the timer cannot fire (Interval 0, not
// Enabled, no OnTimer) and each change of those restarts its wait. Freeing the timer ends and joins
// the worker; a tick it had queued for the GUI thread is dropped.
class TvcTimer : public TComponent {
public:
    explicit TvcTimer(TComponent* AOwner = nullptr);
    ~TvcTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    std::uint32_t Interval() const { return interval_; }
    void SetInterval(std::uint32_t Value);
    TThreadPriority Priority() const { return priority_; }
    void SetPriority(TThreadPriority Value);
    TNotifyEvent OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent Value);

    void UpdateTimer();

protected:
    virtual void Timer();

private:
    friend class TvcTimerThread;
    std::atomic<bool> enabled_{true};
    std::atomic<std::uint32_t> interval_{1000};
    std::atomic<TThreadPriority> priority_{TThreadPriority::tpNormal};
    std::atomic<bool> armed_{true};
    TNotifyEvent onTimer_;
    HANDLE wake_ = 0;
    std::unique_ptr<TvcTimerThread> worker_;
};

// --- TvcMMTimer ------------------------------------------------------------------------------------

// A periodic multimedia timer, running from construction; OnTimer runs on the timer's own thread
// (not the GUI thread) whenever Enabled, and exceptions from it are swallowed. Enabled only silences
// it. A period or resolution the platform refuses raises ERangeError. Freeing it stops the timer and
// waits for a call in progress.
class TvcMMTimer : public TComponent {
public:
    explicit TvcMMTimer(TComponent* AOwner = nullptr);
    ~TvcMMTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value) { enabled_ = Value; }
    std::uint32_t Interval() const { return interval_; }
    void SetInterval(std::uint32_t Value);
    std::uint32_t Resolution() const { return resolution_; }
    void SetResolution(std::uint32_t Value);
    TNotifyEvent OnTimer() const;
    void SetOnTimer(TNotifyEvent Value);

    virtual void Timer();

private:
    void StartTimer();
    void StopTimer();
    static void Callback(UINT timerId, UINT message, std::uintptr_t user, std::uintptr_t, std::uintptr_t);

    std::atomic<bool> enabled_{true};
    std::uint32_t interval_ = 1000;
    std::uint32_t resolution_ = 10;
    UINT id_ = 0;
    mutable std::mutex eventLock_;
    TNotifyEvent onTimer_;
};

// --- TvcRunProg ------------------------------------------------------------------------------------

enum TvcRunError {
    vre_OK,
    vre_MemoryError,
    vre_FileNotFound,
    vre_PathNotFound,
    vre_TaskError,
    vre_WrongOpSystem,
    vre_WrongFileFormat,
    vre_networkerror,
    vre_FileError,
    vre_UnknownError
};

// The show commands of the same names.
enum TvcRunShow {
    vrs_HIDE,
    vrs_SHOWNORMAL,
    vrs_SHOWMINIMIZED,
    vrs_SHOWMAXIMIZED,
    vrs_SHOWNOACTIVATE,
    vrs_SHOW,
    vrs_MINIMIZE,
    vrs_SHOWMINNOACTIVE,
    vrs_SHOWNA,
    vrs_RESTORE,
    vrs_SHOWDEFAULT
};

using TvcError = TMethod<void(TObject* Sender, TvcRunError Error, int RealErrorCode)>;

// The result code for a system error code of a failed start.
TvcRunError RunErrorFromSystemCode(std::uint32_t Code);

// Starts a program from a command line (no shell, never cut) and, with Wait, waits for it: with
// HardWait blocking, otherwise in short slices while the application's messages are handled, until
// the program ends or the application terminates. ReturnCode is then the program's exit code
// (STILL_ACTIVE, 259, when the application ended the wait first). A start that fails never raises:
// LastResultCode, SavedErrorCode and OnError tell what went wrong.
class TvcRunProg : public TComponent {
public:
    explicit TvcRunProg(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

    const std::string& CmdLine() const { return CmdLine_; }
    void SetCmdLine(const std::string& Value) { CmdLine_ = Value; }
    TvcRunShow Visiblility() const { return Visiblility_; }
    void SetVisiblility(TvcRunShow Value) { Visiblility_ = Value; }
    bool Wait() const { return Wait_; }
    void SetWait(bool Value) { Wait_ = Value; }
    bool HardWait() const { return HardWait_; }
    void SetHardWait(bool Value) { HardWait_ = Value; }
    TvcRunError LastResultCode() const { return LastResultCode_; }
    void SetLastResultCode(TvcRunError) {}
    std::int32_t ReturnCode() const { return ReturnCode_; }
    void SetReturnCode(std::int32_t) {}

    virtual void Run();
    virtual void RunThis(const std::string& CmdLine);
    // The system error code of the last start, 0 after one that succeeded.
    virtual std::uint32_t SavedErrorCode();

    TvcError OnError;
    TNotifyEvent OnBeforeRun;
    TNotifyEvent OnBeforeWait;
    TNotifyEvent OnFinish;

private:
    TvcRunError LastResultCode_ = vre_OK;
    std::string CmdLine_;
    std::int32_t ReturnCode_ = 0;
    TvcRunShow Visiblility_ = vrs_SHOWNORMAL;
    bool Wait_ = true;
    std::uint32_t savedError_ = 0;
    bool HardWait_ = false;
};

// Sleeps that many milliseconds.
void Delay(std::uint16_t ms);

// --- TvcVerInfo ------------------------------------------------------------------------------------

// The version information of a file (the running program's own unless VerFile names another): its
// standard strings, language and code page of its first translation, and its file flags. A file
// without version information, or a block without a translation entry, gives empty strings and
// false flags; nothing raises.
class TvcVerInfo : public TComponent {
public:
    explicit TvcVerInfo(TComponent* AOwner = nullptr);

    bool ExistVerInfo() const { return found_; }
    std::string CompanyName() const { return GetString("CompanyName"); }
    std::string FileDescription() const { return GetString("FileDescription"); }
    std::string FileVersion() const { return GetString("FileVersion"); }
    std::string InternalName() const { return GetString("InternalName"); }
    std::string LegalCopyright() const { return GetString("LegalCopyright"); }
    std::string OriginalFileName() const { return GetString("OriginalFileName"); }
    std::string ProductName() const { return GetString("ProductName"); }
    std::string ProductVersion() const { return GetString("ProductVersion"); }
    std::string LegalTrademarks() const { return GetString("LegalTrademarks"); }
    std::string PrivateBuild() const { return GetString("PrivateBuild"); }
    std::string SpecialBuild() const { return GetString("SpecialBuild"); }
    std::string Comments() const { return GetString("Comments"); }
    // Lower-case hexadecimal, at least four digits ("0409", "04e4").
    std::string LocaleID() const;
    std::string CodePage() const;
    // The platform's name of the LocaleID's language.
    std::string Language() const;
    bool IS_DEBUG() const { return (flags_ & 0x01) != 0; }
    bool IS_PRERELEASE() const { return (flags_ & 0x02) != 0; }
    bool IS_PATCHED() const { return (flags_ & 0x04) != 0; }
    bool IS_PRIVATEBUILD() const { return (flags_ & 0x08) != 0; }
    bool IS_INFOINFERRED() const { return (flags_ & 0x10) != 0; }
    bool IS_SPECIALBUILD() const { return (flags_ & 0x20) != 0; }

    const std::string& VerFile() const { return verFile_; }
    // Reads the file at once; empty reads the program's own file.
    void SetVerFile(const std::string& Value);

    std::string GetNonStandardString(const std::string& Name) const { return GetString(Name); }

protected:
    void Loaded() override;

private:
    void DoTheFile();
    std::string GetString(const std::string& Name) const;
    // The first translation entry: language id in the low word, code page in the high word.
    bool Translation(std::uint32_t& entry) const;

    bool found_ = false;
    std::vector<char> block_;
    std::uint32_t flags_ = 0;
    std::string verFile_;
};

// --- Window regions and skin geometry --------------------------------------------------------------

class TFiler;
class TStream;
class TWinControl;
class TCustomForm;

// A window shape held as the bytes of a block of region data (as GetRegionData gives them), saved
// with the form as the binary property "Data" and in streams and files as a 32-bit little-endian
// byte count followed by the block. Loading takes only a well-formed block: anything else raises the
// read error and leaves the region as it was.
class TvcRgn : public TPersistent {
public:
    TvcRgn() = default;
    ~TvcRgn() override = default;
    TvcRgn(const TvcRgn&) = delete;
    TvcRgn& operator=(const TvcRgn&) = delete;

    virtual void ReadData(TStream* Stream) { LoadFromStream(Stream); }
    virtual void WriteData(TStream* Stream) { SaveToStream(Stream); }
    virtual void LoadFromFile(const std::string& FileName);
    virtual void SaveToFile(const std::string& FileName);
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream) const;

    void DefineProperties(TFiler* Filer) override;
    // Null empties the region; another region is copied (itself included, which keeps the bytes);
    // both notify. Anything else is the class library's assignment error.
    void Assign(const TPersistent* Source) override;

    // Takes Size bytes from Data (none for null) without notifying.
    void SetRgn(const void* Data, std::uint32_t Size);
    // A new region made from the bytes (null when there are none); the caller owns it.
    HRGN Handle() const;
    bool ExsistData() const { return !data_.empty(); }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(data_.size()); }
    const std::vector<std::uint8_t>& Data() const { return data_; }

    // The pixels of Bitmap not of TransparentColor (a plain RGB colour), less the first pixel of
    // each run, as rows of rectangles; notifies. An empty bitmap gives an empty region.
    void SerRgnFromBmp(TBitmap* Bitmap, TColor TransparentColor);

    void Changed();
    bool Modified() const { return modified_; }
    void SetModified(bool Value);

    TNotifyEvent OnChange;

private:
    std::vector<std::uint8_t> data_;
    bool modified_ = false;
};

// A glyph offset kept per button state; every change is reported to the owner.
class TvcBmpOffset : public TPersistent {
public:
    int Left() const { return left_; }
    void SetLeft(int Value);
    int Top() const { return top_; }
    void SetTop(int Value);

    TNotifyEvent OnChange;

private:
    void Notify();
    int left_ = 0;
    int top_ = 0;
};

// A text rectangle kept per button state; every change is reported to the owner.
class TvcTextSize : public TPersistent {
public:
    int Left() const { return left_; }
    void SetLeft(int Value);
    int Top() const { return top_; }
    void SetTop(int Value);
    int Width() const { return width_; }
    void SetWidth(int Value);
    int Height() const { return height_; }
    void SetHeight(int Value);

    TNotifyEvent OnChange;

private:
    void Notify();
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
};

// Gives the form that owns it the window region of its Region (the whole client area while the
// region is empty) and takes the form's border away. It acts at run time once the form is loaded.
class TvcFancyForm : public TComponent {
public:
    explicit TvcFancyForm(TComponent* AOwner);
    ~TvcFancyForm() override;

    TvcRgn* Region() const { return region_; }
    // Copies the region, then applies it.
    void SetRegion(const TvcRgn* Value);
    void SerRgnFromBmp(TBitmap* Bitmap, TColor TransparentColor);
    void Clear();

    virtual void DoUpdate();

protected:
    void Loaded() override;

private:
    TvcRgn* region_;
    bool loaded_ = false;
};

// Gives one windowed control the window region of its Region (its whole rectangle while the region
// is empty) and sizes the control to the region's box.
class TvcFancyControl : public TComponent {
public:
    explicit TvcFancyControl(TComponent* AOwner);
    ~TvcFancyControl() override;

    TvcRgn* Region() const { return region_; }
    void SetRegion(const TvcRgn* Value);
    TWinControl* ControlComponent() const { return control_; }
    void SetControlComponent(TWinControl* Value);
    void SerRgnFromBmp(TBitmap* Bitmap, TColor TransparentColor);
    void Clear();

    virtual void DoUpdate();

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool loaded_ = false;
    TvcRgn* region_;
    TWinControl* control_ = nullptr;
};

// --- Window size limits and control canvas ---------------------------------------------------------

// The eight limits of a form's size, in the order the size-change event hands them over.
struct TvMinMaxSizes {
    int MinDragWidth = 0;
    int MinDragHeight = 0;
    int MaxWidth = 600;
    int MaxHeight = 400;
    int MaxDragWidth = 600;
    int MaxDragHeight = 400;
    int MaxLeft = 0;
    int MaxTop = 0;
};

// Raises the maximized size to at least the minimum tracking size and the maximum tracking size to
// at least the maximized size.
void NormaliseMinMax(TvMinMaxSizes& Sizes);
// A maximized form on a CX x CY screen keeps clear of the task bar whose window rectangle is Bar:
// maximized place and maximum tracking size fill the rest of the screen. The bar is taken to be on
// the right when it starts 2 or more pixels in, else at the bottom likewise, else on the left when
// it ends short of the right edge, else at the top.
void FitToTaskBar(TvMinMaxSizes& Sizes, int CX, int CY, const RECT& Bar);

using TAskSize =
    TMethod<void(TObject* Sender, int& MinDragWidth, int& MinDragHeight, int& MaxWidth, int& MaxHeight,
                 int& MaxDragWidth, int& MaxDragHeight, int& Maxleft, int& MaxTop)>;

// Holds the form that owns it within its limits: the form is fitted at once on every change, and
// at run time the form's window answers the size-limit query with them (optionally fitted to the
// task bar), after OnSizeChange had its say. With UseDefaultSize the limits follow the system's
// proposal and the form is left alone.
class TvMinMax : public TComponent {
public:
    explicit TvMinMax(TComponent* AOwner);
    ~TvMinMax() override;

    bool AutoTaskBarAjust() const { return autoTaskBar_; }
    void SetAutoTaskBarAjust(bool Value);
    // At run time the form's window gains or loses WS_EX_APPWINDOW, its own task bar button.
    bool ShowOnStatusBar() const { return showOnStatusBar_; }
    void SetShowOnStatusBar(bool Value);
    bool UseDefaultSize() const { return useDefaultSize_; }
    void SetUseDefaultSize(bool Value);
    const TvMinMaxSizes& Sizes() const { return sizes_; }
    int MinDragWidth() const { return sizes_.MinDragWidth; }
    void SetMinDragWidth(int Value) { Store(sizes_.MinDragWidth, Value); }
    int MinDragHeight() const { return sizes_.MinDragHeight; }
    void SetMinDragHeight(int Value) { Store(sizes_.MinDragHeight, Value); }
    int MaxWidth() const { return sizes_.MaxWidth; }
    void SetMaxWidth(int Value) { Store(sizes_.MaxWidth, Value); }
    int MaxHeight() const { return sizes_.MaxHeight; }
    void SetMaxHeight(int Value) { Store(sizes_.MaxHeight, Value); }
    int MaxDragWidth() const { return sizes_.MaxDragWidth; }
    void SetMaxDragWidth(int Value) { Store(sizes_.MaxDragWidth, Value); }
    int MaxDragHeight() const { return sizes_.MaxDragHeight; }
    void SetMaxDragHeight(int Value) { Store(sizes_.MaxDragHeight, Value); }
    int MaxLeft() const { return sizes_.MaxLeft; }
    void SetMaxLeft(int Value) { Store(sizes_.MaxLeft, Value); }
    int MaxTop() const { return sizes_.MaxTop; }
    void SetMaxTop(int Value) { Store(sizes_.MaxTop, Value); }

    virtual void SetSize();

    TAskSize OnSizeChange;

protected:
    void Loaded() override;

private:
    void Store(int& field, int Value);
    void ApplyShowOnStatusBar();
    void Hook();
    void WndProc(TMessage& Message);

    bool autoTaskBar_ = false;
    TvMinMaxSizes sizes_;
    bool useDefaultSize_ = false;
    TWindowSubclass hook_;
    bool showOnStatusBar_ = false;
};

// What TvCompCanvas raises.
class EvCompCanvasException : public Exception {
public:
    using Exception::Exception;
};

// Lends a canvas on the window of any windowed control between StartPaint and EndPaint.
class TvCompCanvas : public TComponent {
public:
    explicit TvCompCanvas(TComponent* AOwner = nullptr);
    ~TvCompCanvas() override;

    TCanvas* Canvas() const { return canvas_; }
    TWinControl* ControlComponent() const { return control_; }
    // Ends a drawing in progress first.
    void SetControlComponent(TWinControl* Value);

    // "We are allready drawing" when drawing, "No component to draw on" without a control.
    void StartPaint();
    // "We are not drawing" when not drawing.
    void EndPaint();
    bool Drawing() const { return drawing_; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void StopDrawing();

    TCanvas* canvas_;
    TWinControl* control_ = nullptr;
    bool drawing_ = false;
    HDC dc_ = nullptr;
    HWND dcWnd_ = 0;
};

// --- Splash picture --------------------------------------------------------------------------------

enum vSplashStyleType { ssVRectangle, ssVEllipse, ssCircle };

class TPicture;
class TForm;

// Where a splash goes on a CX x CY screen: its size, place and the picture's offset in it.
struct TvSplashGeometry {
    int W = 0, H = 0, X = 0, Y = 0, dx = 0, dy = 0;
};
TvSplashGeometry SplashGeometry(int BitmapWidth, int BitmapHeight, int CX, int CY, vSplashStyleType Shape,
                                int AddWidth, int AddHeight, bool AdjustforFrame, bool DrawFrame,
                                int FrameThickness, int FrameMargin);

// Shows its picture centred on the screen as soon as its form is read, in a frameless window that
// stays on top and never takes the focus; when the form first paints, the splash is painted again
// on top of it, stays MainFormDelay milliseconds and goes.
class TvSplashForm : public TComponent {
public:
    explicit TvSplashForm(TComponent* AOwner);
    ~TvSplashForm() override;

    TBitmap* BitMap() const { return bitmap_; }
    // Assigns to BitMap and Picture both.
    void SetBitMap(TBitmap* Value);
    // The picture as last given; a picture that is not empty is drawn on a bitmap of its size,
    // which SetBitMap takes.
    TPicture* Picture() const { return picture_; }
    void SetPicture(TPicture* Value);
    bool AutoBackColor() const { return autoBackColor_; }
    void SetAutoBackColor(bool Value);
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor Value);

    bool MoveSplashUp = true;
    std::uint16_t MainFormDelay = 500;
    vSplashStyleType Shape = ssVRectangle;
    TColor Color = static_cast<TColor>(0x8000000F);
    TColor HighligtColor = static_cast<TColor>(0x80000014);
    TColor ShadowColor = static_cast<TColor>(0x80000010);
    TColor FrameColor = 0xFF00FF;
    bool DrawFrame = true;
    std::uint16_t FrameThickness = 4;
    std::uint16_t FrameMargin = 8;
    bool Use3D = true;
    bool RealTransparent = false;
    int AddWidth = 0;
    int AddHeight = 0;
    bool AdjustforFrame = true;
    bool Fill = true;

    TNotifyEvent OnBeforeShow, OnBeforeClose, OnAfterClose, OnShow, OnBeforeDelay, OnCreate;

    virtual void MakeSplash();
    virtual void DoSplash();
    virtual void DoRemove();

    const TvSplashGeometry& Geometry() const { return geometry_; }
    // The splash window while it shows, else nullptr.
    TForm* Window() const { return window_; }
    bool Done() const { return done_; }

protected:
    void Loaded() override;
    // The blocking wait before the splash goes.
    virtual void Wait(std::uint16_t ms) { Delay(ms); }

private:
    void RefreshAutoColor();
    void WndProc(TMessage& Message);
    // The splash window paints the splash whenever it paints itself.
    void WindowPaint(TObject* Sender);

    HRGN region_ = nullptr;
    TvSplashGeometry geometry_;
    TBitmap* bitmap_;
    TPicture* picture_;
    bool autoBackColor_ = false;
    TColor transparentColor_ = 0xFFFFFF;
    bool done_ = true;
    TForm* window_ = nullptr;
    TWindowSubclass hook_;
};
