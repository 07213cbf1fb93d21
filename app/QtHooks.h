// Connects the runtime's main-thread queue and screen cursor to the Qt event loop: a worker's
// Synchronize posts a queued call that drains the queue, ProcessMessages processes pending Qt
// events, and the hourglass cursor is Qt's wait cursor.
#pragma once

// Installs the three hooks; call after the QApplication exists.
void InstallQtHooks();
// Removes them again; call before the QApplication goes away.
void RemoveQtHooks();
