// The Qt hooks of the main-thread queue, the message pump and the screen cursor.
#include "QtHooks.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>

#include "MainThread.h"

namespace {

// Only the main thread changes the cursor; the flag keeps set and restore paired.
bool waitCursorShown = false;

void ShowCursor(TCursor cursor) {
    bool wait = cursor == TCursor::HourGlass;
    if (wait == waitCursorShown) return;
    if (wait) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    waitCursorShown = wait;
}

}  // namespace

void InstallQtHooks() {
    SetWakeMainThreadHook([] {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
        }
    });
    SetProcessEventsHook([] { QCoreApplication::processEvents(); });
    SetCursorHook(ShowCursor);
}

void RemoveQtHooks() {
    ShowCursor(TCursor::Default);
    SetWakeMainThreadHook(nullptr);
    SetProcessEventsHook(nullptr);
    SetCursorHook(nullptr);
}
