#include "platform/win/QtPump.h"

#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "platform/win/WinCore.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

namespace {

// Shared with the wake hook, which any thread may call while the pump object is being destroyed.
struct WakeTarget {
    std::mutex lock;
    QObject* object = nullptr;
    std::atomic<bool> pending{false};
    std::atomic<unsigned> posted{0}; // pump events posted from other threads
};

QEvent::Type PumpEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::mutex handlerLock;
std::function<void(std::exception_ptr)> exceptionHandler;

void ReportException(std::exception_ptr error) {
    std::function<void(std::exception_ptr)> handler;
    {
        std::lock_guard<std::mutex> g(handlerLock);
        handler = exceptionHandler;
    }
    if (handler) {
        handler(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        qWarning("Unhandled exception in a message handler: %s", e.what());
    } catch (...) {
        qWarning("Unhandled exception in a message handler");
    }
}

// Set while our own pump runs Qt's events, with the loop level it was entered at. A pump event
// delivered there only serves incoming calls: our pump takes the posted messages itself.
thread_local bool inOurPump = false;
thread_local int ourPumpLoopLevel = -1;

class PumpObject : public QObject {
public:
    explicit PumpObject(QObject* parent) : QObject(parent), target_(std::make_shared<WakeTarget>()) {
        target_->object = this;
        threadId_ = GetCurrentThreadId();
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Service(); });
        SetQueueWakeHook(threadId_, [target = target_] {
            if (target->pending.exchange(true)) return;
            std::lock_guard<std::mutex> g(target->lock);
            if (!target->object) return;
            auto* event = new QEvent(PumpEventType());
            // Qt's queue orders the post before the delivery, out of the thread sanitizer's sight.
            target->posted.fetch_add(1, std::memory_order_release);
            QCoreApplication::postEvent(target->object, event);
        });
        SetForeignPump([] {
            if (!QCoreApplication::instance()) return;
            const bool wasIn = inOurPump;
            const int wasLevel = ourPumpLoopLevel;
            inOurPump = true;
            ourPumpLoopLevel = QThread::currentThread()->loopLevel();
            QCoreApplication::processEvents();
            inOurPump = wasIn;
            ourPumpLoopLevel = wasLevel;
        });
        // Whatever was queued before the hook existed.
        target_->pending = true;
        QCoreApplication::postEvent(this, new QEvent(PumpEventType()));
    }

    ~PumpObject() override {
        SetQueueWakeHook(threadId_, nullptr);
        wincore::ClearForeignPump(threadId_);
        std::lock_guard<std::mutex> g(target_->lock);
        target_->object = nullptr;
    }

    PumpObject(const PumpObject&) = delete;
    PumpObject& operator=(const PumpObject&) = delete;

protected:
    bool event(QEvent* e) override {
        target_->posted.load(std::memory_order_acquire); // sees the event as its poster made it
        if (e->type() != PumpEventType()) return QObject::event(e);
        target_->pending = false;
        Service();
        return true;
    }

private:
    void Service() {
        if (inOurPump && QThread::currentThread()->loopLevel() == ourPumpLoopLevel)
            wincore::ServeIncomingFromOutside(ReportException);
        else
            wincore::DrainFromOutside(ReportException);
        Rearm();
    }

    void Rearm() {
        const DWORD due = NextTimerDueMs();
        if (due == INFINITE) {
            timer_.stop();
            return;
        }
        timer_.start(static_cast<int>(std::min<DWORD>(due, INT_MAX)));
    }

    std::shared_ptr<WakeTarget> target_;
    QTimer timer_;
    DWORD threadId_ = 0;
};

QPointer<PumpObject> installed;

} // namespace

void InstallQtPump() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || installed) return;
    wincore::SetMainThread(GetCurrentThreadId());
    installed = new PumpObject(app);
}

void SetQtPumpExceptionHandler(std::function<void(std::exception_ptr)> handler) {
    std::lock_guard<std::mutex> g(handlerLock);
    exceptionHandler = std::move(handler);
}
