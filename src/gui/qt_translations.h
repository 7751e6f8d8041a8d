#pragma once

class QCoreApplication;

// Qt's own texts (file dialogs, the overwrite prompt, the standard buttons) in Simplified
// Chinese like the rest of the program, from the translations installed with Qt (Debian:
// qt6-translations-l10n). Returns false when they are not installed; Qt then speaks English.
bool installQtChineseTranslations(QCoreApplication& app);
