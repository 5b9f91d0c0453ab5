#include "settings/commands.h"

#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"
#include "settings/appearanceview.h"

#include <QFile>

TeacherCommands::TeacherCommands(Settings &settings, const std::string &startDirectory,
                                 Dialogs &dialogs, AppearanceView &view)
    : m_settings(settings), m_startDirectory(startDirectory), m_dialogs(dialogs), m_view(view)
{
}

void TeacherCommands::WriteIni()
{
    // The quiz makes its start directory current before each file access: a command's dialog
    // leaves its own folder current, and the appearance reads the picture relative to the start
    // directory. A failure is ignored, as the quiz ignores it.
    SetCurrentDirectory(m_startDirectory);
    WriteSettings(m_settings, m_startDirectory);
    m_view.ApplyAppearance();
}

void TeacherCommands::ChooseColour(TColor Settings::*setting)
{
    if (!m_dialogs.ChooseColour(m_colourDialog)) {
        return;
    }
    m_settings.*setting = m_colourDialog.Colour;
    if (setting == &Settings::AnswerColor) {
        m_view.SetFinishButtonColour(m_settings.AnswerColor);
    }
    WriteIni();
}

void TeacherCommands::ChooseResultsLog()
{
    const std::optional<QString> chosen = m_dialogs.SaveFile();
    if (!chosen) {
        return;
    }
    const std::string path = QFile::encodeName(*chosen).toStdString();
    // A cut name would be another file: the log stays the one it was.
    if (path.size() > TextFile::MaxNameLength) {
        m_dialogs.Information(QStringLiteral("Слишком длинный путь к файлу результатов (больше "
                                             "%1 байт). Оставлен прежний файл.")
                                  .arg(TextFile::MaxNameLength));
        return;
    }
    m_settings.ResultsLogPath = StoredPath(*chosen);
    if (!EntryExists(path)) {
        CreateResultsLog(path);
    }
    WriteIni();
    // Results that found no log wait for this one.
    FlushQueuedResults(m_settings.ResultsLogPath, m_startDirectory);
}
