#pragma once

#include "platform/dialogs.h"
#include "settings/settings.h"

#include <string>

class AppearanceView;

// The teacher's commands that change the settings: each saves them whole (WriteIni) and shows
// them on the main window through the view.
class TeacherCommands {
public:
    TeacherCommands(Settings &settings, const std::string &startDirectory, Dialogs &dialogs,
                    AppearanceView &view);

    Settings &Config() { return m_settings; }
    AppearanceView &View() { return m_view; }

    // Makes the start directory current (the quiz's rule for its file accesses), rewrites the
    // settings file there, then applies the appearance.
    void WriteIni();
    // The main window's colour dialog, preset to the colour last confirmed in it, into setting.
    void ChooseColour(TColor Settings::*setting);
    // "Файл с результатом...": the results log chosen, and created when it does not exist yet.
    void ChooseResultsLog();

private:
    Settings &m_settings;
    const std::string &m_startDirectory;
    Dialogs &m_dialogs;
    AppearanceView &m_view;
    ColourDialogState m_colourDialog;
};
