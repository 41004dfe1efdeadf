#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, the file and folder dialogs, context menus) in Russian, as
// every text of the program is, whatever the user's locale. False when the catalogue is missing:
// the program then runs with Qt's English texts.
bool InstallQtTranslations(QCoreApplication& aApplication);
