#pragma once

#include <QString>

#include <optional>

class QWidget;

// The message boxes and file dialogs of the teacher's window, behind one seam so that tests
// script the answers.
class TeacherDialogs {
public:
    enum class Unsaved { Save, Discard, Cancel };

    virtual ~TeacherDialogs() = default;

    virtual void Error(const QString &text) = 0;
    // Unsaved changes in the named bank: save them, drop them, or stay.
    virtual Unsaved AskUnsaved(const QString &bankName) = 0;
    virtual std::optional<QString> ChooseFolder(const QString &start) = 0;
    // A bank source (.txt) to import, or the file to export one to.
    virtual std::optional<QString> OpenSource(const QString &folder) = 0;
    virtual std::optional<QString> SaveSource(const QString &suggestedPath) = 0;
};

// Qt's boxes and non-native file dialogs, each transient for the given window.
class QtTeacherDialogs : public TeacherDialogs {
public:
    explicit QtTeacherDialogs(QWidget *window) : m_window(window) {}

    void Error(const QString &text) override;
    Unsaved AskUnsaved(const QString &bankName) override;
    std::optional<QString> ChooseFolder(const QString &start) override;
    std::optional<QString> OpenSource(const QString &folder) override;
    std::optional<QString> SaveSource(const QString &suggestedPath) override;

private:
    QWidget *m_window;
};
