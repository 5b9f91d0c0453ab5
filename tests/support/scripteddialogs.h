#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QString>

#include <functional>

// Dialogs for tests: records every box and answers confirmations from a script.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Information, Confirmation, Error, Colour, OpenPicture, SaveFile };

    struct Shown {
        Kind kind;
        QString caption;
        QString text;
    };

    void Information(const QString &text) override;
    Answer Confirmation(const QString &text) override;
    void Error(const QString &caption, const QString &text) override;
    bool ChooseColour(ColourDialogState &state) override;
    std::optional<QString> OpenPicture() override;
    std::optional<QString> SaveFile() override;

    // Answers for the coming confirmations, in order; when none is left the answer is "Cancel".
    void QueueAnswer(Answer answer) { m_answers.append(answer); }
    // The colour the next colour dialog confirms; with none queued it is cancelled.
    void QueueColour(TColor colour) { m_colours.append(colour); }
    // The path the next file dialog returns (and whose folder it enters); none queued: cancelled.
    void QueuePath(const QString &path) { m_paths.append(path); }
    // The colour each colour dialog opened with, in order.
    const QList<TColor> &colourPresets() const { return m_colourPresets; }

    // Runs while the next box is "open" (for example a timer tick delivered under a confirmation).
    void WhileNextBoxIsOpen(std::function<void()> action) { m_whileOpen = std::move(action); }

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    void Open(Kind kind, const QString &caption, const QString &text);
    // The next queued path, entering its folder as a file dialog does.
    std::optional<QString> TakePath(Kind kind);

    QList<Shown> m_shown;
    QList<Answer> m_answers;
    QList<TColor> m_colours;
    QList<QString> m_paths;
    QList<TColor> m_colourPresets;
    std::function<void()> m_whileOpen;
};
