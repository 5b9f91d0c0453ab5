#pragma once

// What both programs set up in Qt itself, right after the application object.

// Qt's own texts (the standard file, print and colour dialogs, the edit fields' menus) in
// Russian, from Qt's translations (Debian's qt6-translations-l10n), whatever the system's
// language. The texts the programs set themselves are not touched: the quiz's boxes keep their
// English "Information", "Confirm", "OK" and "Cancel". False when the translations are missing.
bool LoadQtTranslations();

// Qt's dialogs keep their state (custom colours, the file dialog's folders) in the user's
// settings, ~/.config/QtProject.conf. The programs keep nothing there, so Qt's settings go to a
// folder that cannot exist: they are neither read nor written.
void KeepQtSettingsOutOfHome();
