#include "platform/ui/ComCtrls.h"

#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Widgets_p.h"

#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

// --- TTrackBar ------------------------------------------------------------------------------------

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks};
    SetBounds(0, 0, 150, 45);
    SetTabStop(true);
}

QWidget* TTrackBar::CreateWidget(QWidget* parentWidget) {
    auto* slider = new QSlider(parentWidget);
    AttachBridge(this, slider);
    QObject::connect(slider, &QSlider::valueChanged, slider, [this](int value) {
        if (syncing_ || value == position_) return;
        position_ = value;
        CallGuarded(this, [this] { Changed(); });
    });
    return slider;
}

void TTrackBar::InitWidget() {
    auto* slider = static_cast<QSlider*>(widget_);
    syncing_ = true;
    slider->setOrientation(orientation_ == trHorizontal ? Qt::Horizontal : Qt::Vertical);
    slider->setRange(min_, max_);
    slider->setValue(position_);
    slider->setSingleStep(LineSize);
    slider->setPageStep(PageSize);
    syncing_ = false;
    ApplyTicks();
}

void TTrackBar::ApplyTicks() {
    auto* slider = static_cast<QSlider*>(widget_);
    if (!slider) return;
    if (tickStyle_ == tsNone) {
        slider->setTickPosition(QSlider::NoTicks);
        return;
    }
    const bool horizontal = orientation_ == trHorizontal;
    switch (tickMarks_) {
    case tmBottomRight:
        slider->setTickPosition(horizontal ? QSlider::TicksBelow : QSlider::TicksRight);
        break;
    case tmTopLeft:
        slider->setTickPosition(horizontal ? QSlider::TicksAbove : QSlider::TicksLeft);
        break;
    case tmBoth:
        slider->setTickPosition(QSlider::TicksBothSides);
        break;
    }
    slider->setTickInterval(frequency_);
}

void TTrackBar::SetParams(int position, int min, int max) {
    if (max < min) max = min;
    position = std::clamp(position, min, max);
    const bool changed = position != position_;
    min_ = min;
    max_ = max;
    position_ = position;
    if (auto* slider = static_cast<QSlider*>(widget_)) {
        syncing_ = true;
        slider->setRange(min, max);
        slider->setValue(position);
        syncing_ = false;
    }
    if (changed) Changed();
}

void TTrackBar::SetFrequency(int value) {
    frequency_ = value;
    ApplyTicks();
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
    if (value == orientation_) return;
    orientation_ = value;
    SetBounds(Left(), Top(), Height(), Width());
    if (widget_) {
        static_cast<QSlider*>(widget_)->setOrientation(value == trHorizontal ? Qt::Horizontal : Qt::Vertical);
        ApplyTicks();
    }
}

void TTrackBar::SetTickMarks(TTickMark value) {
    tickMarks_ = value;
    ApplyTicks();
}

void TTrackBar::SetTickStyle(TTickStyle value) {
    tickStyle_ = value;
    ApplyTicks();
}

void TTrackBar::Changed() {
    if (OnChange) OnChange(this);
}

// --- TProgressBar ---------------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks};
    SetBounds(0, 0, 150, 16);
}

QWidget* TProgressBar::CreateWidget(QWidget* parentWidget) {
    auto* bar = new QProgressBar(parentWidget);
    bar->setTextVisible(false);
    AttachBridge(this, bar);
    return bar;
}

void TProgressBar::InitWidget() {
    Apply();
}

void TProgressBar::Apply() {
    auto* bar = static_cast<QProgressBar*>(widget_);
    if (!bar) return;
    bar->setOrientation(orientation_ == pbHorizontal ? Qt::Horizontal : Qt::Vertical);
    bar->setRange(min_, max_);
    bar->setValue(position_);
}

void TProgressBar::SetMin(int value) {
    min_ = value;
    if (max_ < min_) max_ = min_;
    position_ = std::clamp(position_, min_, max_);
    Apply();
}

void TProgressBar::SetMax(int value) {
    max_ = value;
    if (min_ > max_) min_ = max_;
    position_ = std::clamp(position_, min_, max_);
    Apply();
}

void TProgressBar::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    Apply();
}

void TProgressBar::StepBy(int delta) {
    long long p = static_cast<long long>(position_) + delta;
    const long long range = static_cast<long long>(max_) - min_;
    if (p > max_ && range > 0) p = min_ + (p - min_) % range;
    if (p < min_) p = min_;
    position_ = static_cast<int>(std::min<long long>(p, max_));
    Apply();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
    orientation_ = value;
    Apply();
}

// --- TStatusBar -----------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

void TStatusBar::SetSimpleText(const std::string& value) {
    if (value == simpleText_) return;
    simpleText_ = value;
    Invalidate();
}

void TStatusBar::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(ClientRect());
    RECT r{0, 2, Width(), Height()};
    DrawEdge(canvas->Handle(), &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    canvas->SetFont(Font());
    canvas->Brush()->SetStyle(bsClear);
    r.left += 2;
    DrawText(canvas->Handle(), simpleText_.c_str(), static_cast<int>(simpleText_.size()), &r,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
