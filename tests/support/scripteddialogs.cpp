#include "support/scripteddialogs.h"

#include <QDir>
#include <QFileInfo>

void ScriptedDialogs::Open(Kind kind, const QString &caption, const QString &text)
{
    m_shown.append({kind, caption, text});
    if (m_whileOpen) {
        auto action = std::move(m_whileOpen);
        m_whileOpen = nullptr;
        action();
    }
}

void ScriptedDialogs::Information(const QString &text)
{
    Open(Kind::Information, QStringLiteral("Information"), text);
}

Dialogs::Answer ScriptedDialogs::Confirmation(const QString &text)
{
    Open(Kind::Confirmation, QStringLiteral("Confirm"), text);
    return m_answers.isEmpty() ? Answer::Cancel : m_answers.takeFirst();
}

void ScriptedDialogs::Error(const QString &caption, const QString &text)
{
    Open(Kind::Error, caption, text);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList result;
    for (const Shown &box : m_shown) {
        result.append(box.text);
    }
    return result;
}

bool ScriptedDialogs::ChooseColour(ColourDialogState &state)
{
    m_colourPresets.append(state.Colour);
    Open(Kind::Colour, QString(), QString());
    if (m_colours.isEmpty()) {
        return false;
    }
    state.Colour = m_colours.takeFirst();
    return true;
}

std::optional<QString> ScriptedDialogs::OpenPicture()
{
    return TakePath(Kind::OpenPicture);
}

std::optional<QString> ScriptedDialogs::SaveFile()
{
    return TakePath(Kind::SaveFile);
}

std::optional<QString> ScriptedDialogs::TakePath(Kind kind)
{
    Open(kind, QString(), QString());
    if (m_paths.isEmpty()) {
        return std::nullopt;
    }
    const QString path = m_paths.takeFirst();
    QDir::setCurrent(QFileInfo(path).absolutePath());
    return path;
}
