// The status control adapters on their widgets, and the Qt hooks of the main-thread queue,
// the message pump and the screen cursor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <atomic>
#include <chrono>
#include <thread>

#include "Cp932.h"
#include "MainThread.h"
#include "QtPrinters.h"
#include "StatusAdapters.h"

namespace {

TEST(StatusAdapters, ConvertShiftJisAndKeepEachWidgetsOwnVisibility) {
    QWidget page;  // never shown, like the status page before an operation
    QLineEdit edit(&page);
    QLabel label(&page);
    QProgressBar bar(&page);
    TQtEditControl total(edit);
    TQtLabelControl status(label);
    TQtGaugeControl gauge(bar);

    total.SetText(Utf8ToSjis("  ２，０４８"));
    status.SetText(Utf8ToSjis("ファームウェア転送中..."));
    EXPECT_EQ(edit.text(), "  ２，０４８");
    EXPECT_EQ(label.text(), "ファームウェア転送中...");
    EXPECT_EQ(total.Text(), Utf8ToSjis("  ２，０４８"));
    EXPECT_EQ(status.Text(), Utf8ToSjis("ファームウェア転送中..."));

    EXPECT_TRUE(total.Visible() && status.Visible() && gauge.Visible());
    total.SetVisible(false);
    gauge.SetVisible(false);
    EXPECT_FALSE(total.Visible());
    EXPECT_FALSE(gauge.Visible());
    EXPECT_TRUE(status.Visible());

    for (const auto& [set, shown] : {std::pair{42, 42}, {-5, 0}, {250, 100}, {100, 100}}) {
        gauge.SetProgress(set);
        EXPECT_EQ(gauge.Progress(), shown) << set;
        EXPECT_EQ(bar.value(), shown) << set;
    }
}

// A worker's Synchronize wakes the Qt event loop, which runs the call on the main thread.
TEST(QtHooks, WorkerCallsRunOnTheMainThreadFromTheEventLoop) {
    std::thread::id ranOn;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        Synchronize([&] { ranOn = std::this_thread::get_id(); });
        done = true;
    });
    QDeadlineTimer deadline(5000);
    while (!done && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool wokenByTheLoop = done;
    while (!done) CheckSynchronize();  // release the worker if the hook failed
    worker.join();
    EXPECT_TRUE(wokenByTheLoop);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(QtHooks, ProcessMessagesRunsPendingEventsAndTheCursorPairsUp) {
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    ProcessMessages();
    EXPECT_TRUE(ran);

    SetScreenCursor(TCursor::HourGlass);
    SetScreenCursor(TCursor::HourGlass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetScreenCursor(TCursor::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    SetScreenCursor(TCursor::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
