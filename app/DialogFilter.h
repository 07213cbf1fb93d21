// File dialog filters: the system writes them as "shown text|pattern|shown text|pattern" with
// Windows patterns ("*.bin", "*.*", several joined by ";"); Qt's file dialog takes one entry per
// filter, "shown text (patterns)", with patterns joined by blanks.
#pragma once

#include <QString>
#include <QStringList>

// Each pair becomes "text (patterns)". "*.*" becomes "*" (Windows matches names without a dot
// with it too); a text without a pattern gets "*". Shown with the dialog's option to hide the
// pattern part, the user sees exactly the system's text.
QStringList ConvertDialogFilter(const QString& filter);
