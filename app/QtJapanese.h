// Qt's own texts in Japanese: the file dialogs (their buttons, columns, context menus and
// messages) and the standard buttons speak the program's language, whatever the desktop's
// locale. The translations come from the system's Qt translation files.
#pragma once

// Installs Qt's Japanese translations into the running application and makes Japanese the
// default locale (dates and sizes in the file dialogs). False when the translation files are
// missing; Qt's texts then stay English.
bool InstallQtJapanese();
