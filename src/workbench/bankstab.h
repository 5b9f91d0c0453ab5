#pragma once

#include "quiz/questionbank.h"
#include "workbench/bankdocument.h"

#include <QWidget>

#include <array>

class FileFollower;
class QAction;
class QLabel;
class QListWidget;
class QSpinBox;
class QTableView;
class QTableWidget;
class QuestionEditor;
class QuestionPreview;
class TeacherDialogs;

// The four question banks of a start directory: their list, the open bank's questions, the
// selected question's editor and preview, and the issues of the bank as it stands.
class BanksTab : public QWidget {
    Q_OBJECT
public:
    // The grades and bank files, in the order of the list.
    static constexpr std::array<const char *, 4> Grades{"5", "6–7", "8–9", "10–11"};
    static constexpr std::array<const char *, 4> Files{BankFileNames[0], BankFileNames[1],
                                                       BankFileNames[3], BankFileNames[5]};

    BanksTab(TeacherDialogs &dialogs, QWidget *parent = nullptr);

    // Reads the folder's settings for the preview, lists its banks and opens the first one there.
    // False when the teacher chose to stay with unsaved changes.
    bool OpenStartDirectory(const QString &folder);
    const QString &StartDirectory() const { return m_folder; }
    // Asks about unsaved changes; false when the teacher chose to stay.
    bool MayLeaveBank();
    // The text for the window's title: the open bank, "[*]" standing for unsaved changes.
    QString BankTitle() const;

    BankDocument &Document() { return m_document; }

    QLabel *FolderLabel = nullptr;
    QTableWidget *Banks = nullptr;
    QSpinBox *Minutes = nullptr;
    QSpinBox *Seconds = nullptr;
    QTableView *QuestionList = nullptr;
    QuestionEditor *Editor = nullptr;
    QuestionPreview *Preview = nullptr;
    // Why the preview is not in the settings' colours; hidden while they are.
    QLabel *PreviewNote = nullptr;
    QListWidget *Issues = nullptr;

    // Menu "Файл".
    QAction *OpenFolder = nullptr;
    std::array<QAction *, 4> OpenBankActions{};
    QAction *CreateBank = nullptr;
    QAction *Save = nullptr;
    QAction *Import = nullptr;
    QAction *Export = nullptr;
    // Menu "Правка".
    QAction *Undo = nullptr;
    QAction *Redo = nullptr;
    QAction *CopyQuestion = nullptr;
    QAction *PasteQuestions = nullptr;
    // Menu "Вопрос".
    QAction *AddQuestion = nullptr;
    QAction *DuplicateQuestion = nullptr;
    QAction *RemoveQuestion = nullptr;
    QAction *MoveUp = nullptr;
    QAction *MoveDown = nullptr;
    QAction *AddAnswer = nullptr;
    QAction *RemoveAnswer = nullptr;
    std::array<QAction *, MaxAnswers> MarkCorrect{};
    QAction *ShowAsPupil = nullptr;

signals:
    void TitleChanged();
    void StatusMessage(const QString &text);
    void StartDirectoryOpened(const QString &folder);

protected:
    // The document's undo and redo must win over the text fields' own.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
    QWidget *CreateBankPane();
    QWidget *CreateQuestionPane();
    // The preview in the look of the folder's settings and picture.
    void ShowAppearance();
    // The banks, the settings and the picture followed on disk.
    void FollowFiles();
    void FileChanged(const QString &path);
    QString SettingsPath() const;
    void OpenBank(int index);
    void ReadOpenBank();
    void ShowBankRow(int index);
    void SelectRow(int row);
    void CurrentRowChanged();
    void ShowIssues();
    void IssueChosen(int item);
    void ShowTimeLimit();
    void TimeLimitEdited();
    void ShowPreview();
    void UpdateActions();
    void SaveBank();
    void ImportSource();
    void ExportSource();
    void Paste();
    QString BankPath(int index) const;
    int CurrentRow() const;

    TeacherDialogs &m_dialogs;
    BankDocument m_document;
    QString m_folder;
    // The background picture the settings name, as a path; empty when they name none.
    QString m_picturePath;
    FileFollower *m_follower = nullptr;
    int m_bank = -1;
};
