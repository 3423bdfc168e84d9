#pragma once

class QCoreApplication;

namespace Translations {

// Loads Qt's own Chinese texts, so that file dialogs and the buttons of message boxes speak
// the client's language. False when the translations are not installed.
bool install(QCoreApplication& app);

} // namespace Translations
