#pragma once

#include <QString>

#include <optional>

class QPrinter;
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
    // A file to read, or the file to write; filter as in QFileDialog ("CSV (*.csv)").
    virtual std::optional<QString> OpenFile(const QString &title, const QString &folder,
                                            const QString &filter) = 0;
    virtual std::optional<QString> SaveFile(const QString &title, const QString &suggestedPath,
                                            const QString &filter) = 0;
    // The printer and its pages chosen; false when the teacher cancelled.
    virtual bool SetUpPrinter(QPrinter &printer) = 0;
};

// Qt's boxes and non-native file dialogs, each transient for the given window.
class QtTeacherDialogs : public TeacherDialogs {
public:
    explicit QtTeacherDialogs(QWidget *window) : m_window(window) {}

    void Error(const QString &text) override;
    Unsaved AskUnsaved(const QString &bankName) override;
    std::optional<QString> ChooseFolder(const QString &start) override;
    std::optional<QString> OpenFile(const QString &title, const QString &folder,
                                    const QString &filter) override;
    std::optional<QString> SaveFile(const QString &title, const QString &suggestedPath,
                                    const QString &filter) override;
    bool SetUpPrinter(QPrinter &printer) override;

private:
    QWidget *m_window;
};

// Chooses no folder, file or printer, for runs with nobody at the screen (screenshots, tests):
// errors go to the error output, unsaved edits are dropped.
class UnattendedTeacherDialogs : public TeacherDialogs {
public:
    void Error(const QString &text) override;
    Unsaved AskUnsaved(const QString &) override { return Unsaved::Discard; }
    std::optional<QString> ChooseFolder(const QString &) override { return std::nullopt; }
    std::optional<QString> OpenFile(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> SaveFile(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    bool SetUpPrinter(QPrinter &) override { return false; }
};
