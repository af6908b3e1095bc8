#include "platform/win/QtPump.h"

#include "platform/win/Thread.h"
#include "platform/win/tests/support/WinTestSupport.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

class QtPump : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "QtPump_test";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
        InstallQtPump();
        InstallQtPump(); // a second call changes nothing
    }
    static void TearDownTestSuite() {
        delete app;
        app = nullptr;
    }
    void TearDown() override {
        SetQtPumpExceptionHandler(nullptr);
        DiscardMessages();
    }

    // Runs Qt's own loop until quit() or the limit.
    static int ExecFor(int limitMs) {
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
        limit.start(limitMs);
        return QCoreApplication::exec();
    }

    static QCoreApplication* app;
};
QCoreApplication* QtPump::app = nullptr;

TEST_F(QtPump, TheQtThreadIsTheMainThread) {
    EXPECT_EQ(MainThreadId(), GetCurrentThreadId());
}

TEST_F(QtPump, WorkerSendIsServedWhileQtLoopRuns) {
    TestWindow window([](UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w * 3); });
    std::atomic<LRESULT> ok{0};
    DWORD result = 0;
    std::thread worker([&] {
        ok = SendMessageTimeout(window.handle, WM_USER, 14, 0, SMTO_BLOCK, 3000, &result);
        QMetaObject::invokeMethod(app, [] { QCoreApplication::exit(0); });
    });
    EXPECT_EQ(ExecFor(2000), 0);
    worker.join();
    EXPECT_NE(ok, 0);
    EXPECT_EQ(result, 42u);
    ASSERT_EQ(window.Log().size(), 1u);
    EXPECT_EQ(window.Log()[0].thread, GetCurrentThreadId());
}

TEST_F(QtPump, PostsAndSynchronizeAreServedWhileQtLoopRuns) {
    int posted = 0;
    TestWindow window([&](UINT, WPARAM, LPARAM) -> LRESULT {
        if (++posted == 3) QCoreApplication::exit(0);
        return 0;
    });
    std::atomic<bool> synced{false};
    std::thread worker([&] {
        TThread::Synchronize(nullptr, [&] { synced = GetCurrentThreadId() == MainThreadId(); });
        for (int i = 0; i < 3; ++i) PostMessage(window.handle, WM_USER, 0, 0);
    });
    EXPECT_EQ(ExecFor(2000), 0);
    worker.join();
    EXPECT_TRUE(synced);
    EXPECT_EQ(posted, 3);
}

TEST_F(QtPump, WindowTimerFiresInQtLoop) {
    int fired = 0;
    TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TIMER && ++fired == 2) QCoreApplication::exit(0);
        return 0;
    });
    SetTimer(window.handle, 1, 15, nullptr);
    EXPECT_EQ(ExecFor(2000), 0);
    EXPECT_EQ(fired, 2);
}

TEST_F(QtPump, OurPumpsLetQtHandleItsEvents) {
    bool qtRan = false;
    QTimer::singleShot(0, app, [&] { qtRan = true; });
    EXPECT_TRUE(PumpUntil([&] { return qtRan; }));

    // A wait for our own messages inside a handler takes them itself, in order.
    TestWindow window;
    PostMessage(window.handle, WM_USER + 1, 0, 0);
    PostMessage(window.handle, WM_USER + 2, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2);
    EXPECT_TRUE(window.Log().empty());
}

TEST_F(QtPump, MessagesLeftByANestedPumpAreServedWhenQtLoopResumes) {
    TestWindow other([](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_USER + 5) QCoreApplication::exit(0);
        return 0;
    });
    TestWindow busy([&](UINT, WPARAM, LPARAM) -> LRESULT {
        // A wait that pumps only its own window's messages while another thread posts elsewhere.
        std::thread worker([&] { PostMessage(other.handle, WM_USER + 5, 0, 0); });
        worker.join();
        MSG msg;
        for (int i = 0; i < 3; ++i) PeekMessage(&msg, busy.handle, 0, 0, PM_REMOVE);
        return 0;
    });
    PostMessage(busy.handle, WM_USER, 0, 0);
    EXPECT_EQ(ExecFor(2000), 0);
    EXPECT_EQ(other.Count(WM_USER + 5), 1u);
}

TEST_F(QtPump, HandlerExceptionInQtLoopGoesToTheHandler) {
    std::string caught;
    SetQtPumpExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            caught = ex.what();
        }
        QCoreApplication::exit(0);
    });
    TestWindow window([](UINT, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("from handler"); });
    PostMessage(window.handle, WM_USER, 0, 0);
    EXPECT_EQ(ExecFor(2000), 0);
    EXPECT_EQ(caught, "from handler");
}

} // namespace
