// The screenshot tour: walks the wizard's pages programmatically (the first page, every
// parameter page including those never offered, the filter pages, the confirmation of a
// network and a serial operation, the status page) and saves a PNG of the window at each, for
// reviewing the layout and the rendering of the Japanese texts.
#pragma once

#include <QString>

class TNAVRILForm;

// Saves NN-PageName.png files into folder (created when missing); 0 when every picture was
// saved, 1 otherwise. The form is left on its first page.
int RunScreenshotTour(TNAVRILForm& form, const QString& folder);

// The folder asked for with "--screenshots DIR" or TIVRA_SCREENSHOTS=DIR, or empty text.
QString ScreenshotFolder(const QStringList& arguments);
