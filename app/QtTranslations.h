#pragma once
// Qt's own texts (the labels and buttons of the file dialogs and message boxes) in
// Chinese like the rest of the window, whatever the system's language: Qt's translation
// qtbase_zh_CN from its translations folder (Debian: qt6-translations-l10n).

namespace tess {

// Installs the translation into the running application; false when it is not there
// (the dialogs then stay in English).
bool installQtTranslations();

} // namespace tess
