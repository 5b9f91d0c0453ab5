#pragma once

#include "teacher/banksource.h"
#include "workbench/bankcontent.h"

#include <QAbstractTableModel>
#include <QUndoStack>

#include <functional>
#include <vector>

// The bank being edited: its questions as a table (text, number of answers; the vertical header
// numbers them), its time limit, every edit a command on the undo stack, and the issues of the bank
// as it stands. Operations that can fail return the message for the teacher, empty on success.
class BankDocument : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TextColumn, AnswersColumn, ColumnCount };
    static constexpr int NewBankTimeLimit = 20 * 60;
    // A dragged question: its row, and the source text for other programs.
    static constexpr const char *RowMimeType = "application/x-ortus-question-row";

    explicit BankDocument(QObject *parent = nullptr);
    ~BankDocument() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    // A question of this list moves to the drop place (and false tells the view not to remove
    // it again); source text from elsewhere is inserted there.
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

    const BankSource &Content() const { return m_bank; }
    const BankQuestion &Question(int row) const;
    const QString &FilePath() const { return m_path; }
    bool ValidRow(int row) const { return row >= 0 && row < rowCount(); }
    bool IsOpen() const { return !m_path.isEmpty(); }
    bool IsModified() const { return IsOpen() && (!m_undo.isClean() || !m_onDisk); }
    QUndoStack &UndoStack() { return m_undo; }
    const std::vector<BankIssue> &Issues() const { return m_issues; }
    // What the bank check said of the file as it was opened; gone once it is saved.
    const std::vector<BankFinding> &FileFindings() const { return m_fileFindings; }
    // The number of questions the opened file's header promised when fewer were read (a bank
    // cut short), else 0; gone once it is saved.
    int PromisedCount() const { return m_promisedCount; }
    // The row of the question a line of the opened file belongs to; -1 before the first.
    int QuestionAtLine(int line) const;

    void SetTimeLimit(int seconds);
    void SetQuestionText(int row, const QString &text);
    void SetAnswerText(int row, int answer, const QString &text);
    void SetCorrect(int row, int answer);
    void AddAnswer(int row);
    void RemoveAnswer(int row, int answer);
    void AddQuestion(int row);
    void DuplicateQuestion(int row);
    void RemoveQuestion(int row);
    void MoveQuestion(int from, int to);
    // The questions of a source text (UTF-8, with or without its time line) inserted at row; a
    // bank without questions takes the source's time limit too. When the source names another
    // time limit that the bank keeps, timeNote says so.
    QString InsertSource(int row, const QByteArray &bytes, QString *timeNote = nullptr);
    QString SourceOf(int row) const;

    // A bank that is not on disk yet: one empty question, twenty minutes.
    void Create(const QString &path);
    QString Open(const QString &path);
    void Close();
    // Refused while an issue is fatal; otherwise the bank file's bytes replace the file whole.
    QString Save();
    QString Export(const QString &path) const;

signals:
    void TimeLimitChanged();
    void IssuesChanged();
    void ModifiedChanged();
    // An edit, its undo or its redo changed this row (or, for a removal, the row now there).
    void RowTouched(int row);

private:
    void Reset(const QString &path, BankSource bank, bool onDisk);
    void Push(const QString &what, std::function<void()> redo, std::function<void()> undo,
              const QString &mergeKey = {});
    void EditQuestion(int row, const QString &what,
                      const std::function<void(BankQuestion &)> &change,
                      const QString &mergeKey = {});
    void InsertQuestions(int row, const std::vector<BankQuestion> &questions, const QString &what);
    void ReplaceQuestion(int row, const BankQuestion &question);
    void InsertRows(int row, const std::vector<BankQuestion> &questions);
    void RemoveRows(int row, int count);
    void MoveRow(int from, int to);
    void ReplaceTimeLimit(int seconds);
    void Changed();

    BankSource m_bank;
    QString m_path;
    bool m_onDisk = false;
    QUndoStack m_undo;
    std::vector<BankIssue> m_issues;
    std::vector<BankFinding> m_fileFindings;
    std::vector<int> m_questionLines;
    int m_promisedCount = 0;
};
