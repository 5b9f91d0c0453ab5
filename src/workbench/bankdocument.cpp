#include "workbench/bankdocument.h"

#include "quiz/questionbank.h"
#include "runtime/ioerror.h"
#include "teacher/ioreason.h"

#include <QBrush>
#include <QFileInfo>
#include <QMimeData>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>

namespace {

// One edit as the two changes that make and unmake it. Typing into one field merges into one
// command, so that an undo takes back a word, not a letter.
class EditCommand : public QUndoCommand {
public:
    EditCommand(const QString &text, std::function<void()> redo, std::function<void()> undo,
                QString mergeKey)
        : QUndoCommand(text), m_redo(std::move(redo)), m_undo(std::move(undo)),
          m_mergeKey(std::move(mergeKey))
    {
    }

    void redo() override { m_redo(); }
    void undo() override { m_undo(); }
    int id() const override { return m_mergeKey.isEmpty() ? -1 : 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *edit = static_cast<const EditCommand *>(other);
        if (edit->m_mergeKey != m_mergeKey) {
            return false;
        }
        m_redo = edit->m_redo;
        return true;
    }

private:
    std::function<void()> m_redo;
    std::function<void()> m_undo;
    QString m_mergeKey;
};

bool Same(const BankQuestion &a, const BankQuestion &b)
{
    return a.text == b.text && a.answers == b.answers && a.correct == b.correct;
}

BankQuestion EmptyQuestion()
{
    return {QString(), {QString(), QString()}, 0};
}

std::string LocalName(const QString &path)
{
    return path.toLocal8Bit().toStdString();
}

// Written to a temporary file beside it and renamed over it (keeping its mode), so that a quiz
// starting a test meanwhile reads the old bank or the new one, never half of one. A file marked
// read-only stays protected, even from an administrator.
QString WriteWhole(const QString &path, const QByteArray &bytes)
{
    const QFileInfo existing(path);
    // The mode's own bits: the "user" ones say what this process may do, and an administrator
    // may do anything.
    constexpr QFileDevice::Permissions AnyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (existing.exists() && (!existing.isWritable() || !(existing.permissions() & AnyWrite))) {
        return QStringLiteral("файл только для чтения");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        // Read at once: Qt's own message is English, and later calls may overwrite errno.
        return FileErrorReason(path, errno);
    }
    return {};
}

} // namespace

BankDocument::BankDocument(QObject *parent) : QAbstractTableModel(parent)
{
    connect(&m_undo, &QUndoStack::cleanChanged, this, &BankDocument::ModifiedChanged);
}

// The stack empties itself as it goes, and the window must not hear of it.
BankDocument::~BankDocument()
{
    disconnect(&m_undo, nullptr, this, nullptr);
}

int BankDocument::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_bank.questions.size());
}

int BankDocument::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BankDocument::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int row = index.row();
    const BankQuestion &question = Question(row);
    if (role == Qt::DisplayRole) {
        return index.column() == TextColumn ? QVariant(question.text)
                                            : QVariant(static_cast<int>(question.answers.size()));
    }
    if (role == Qt::TextAlignmentRole && index.column() == AnswersColumn) {
        return QVariant::fromValue(Qt::AlignCenter);
    }
    if (role == Qt::ForegroundRole || role == Qt::ToolTipRole) {
        QStringList messages;
        bool fatal = false;
        for (const BankIssue &issue : m_issues) {
            if (issue.question == row) {
                messages.append(issue.message);
                fatal = fatal || issue.fatal;
            }
        }
        if (role == Qt::ToolTipRole) {
            return messages.isEmpty() ? QVariant() : messages.join(QLatin1Char('\n'));
        }
        return fatal ? QVariant(QBrush(Qt::red)) : QVariant();
    }
    return {};
}

QVariant BankDocument::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    return section == TextColumn ? QStringLiteral("Вопрос") : QStringLiteral("Ответов");
}

Qt::ItemFlags BankDocument::flags(const QModelIndex &index) const
{
    // Drops land between questions, never on one.
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

Qt::DropActions BankDocument::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

QStringList BankDocument::mimeTypes() const
{
    return {QString::fromLatin1(RowMimeType), QStringLiteral("text/plain")};
}

QMimeData *BankDocument::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty()) {
        return nullptr;
    }
    auto *mime = new QMimeData;
    const int row = indexes.front().row();
    mime->setData(QString::fromLatin1(RowMimeType), QByteArray::number(row));
    mime->setText(SourceOf(row));
    return mime;
}

bool BankDocument::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                const QModelIndex &parent)
{
    if (action == Qt::IgnoreAction || !IsOpen()) {
        return true;
    }
    const int target = row >= 0 ? row : parent.isValid() ? parent.row() : rowCount();
    if (action == Qt::MoveAction && data->hasFormat(QString::fromLatin1(RowMimeType))) {
        bool ok = false;
        const int from = data->data(QString::fromLatin1(RowMimeType)).toInt(&ok);
        if (ok && from >= 0 && from < rowCount()) {
            MoveQuestion(from, target > from ? target - 1 : target);
        }
        return false;
    }
    return data->hasText() && InsertSource(target, data->text().toUtf8()).isEmpty();
}

const BankQuestion &BankDocument::Question(int row) const
{
    return m_bank.questions.at(static_cast<std::size_t>(row));
}

int BankDocument::QuestionAtLine(int line) const
{
    const auto after = std::upper_bound(m_questionLines.begin(), m_questionLines.end(), line);
    return static_cast<int>(after - m_questionLines.begin()) - 1;
}

void BankDocument::SetTimeLimit(int seconds)
{
    const int before = m_bank.timeLimitSeconds;
    if (seconds == before) {
        return;
    }
    Push(
        QStringLiteral("правку времени на тест"), [this, seconds] { ReplaceTimeLimit(seconds); },
        [this, before] { ReplaceTimeLimit(before); }, QStringLiteral("time"));
}

void BankDocument::SetQuestionText(int row, const QString &text)
{
    EditQuestion(
        row, QStringLiteral("правку текста вопроса %1").arg(row + 1),
        [&text](BankQuestion &question) { question.text = text; },
        QStringLiteral("text %1").arg(row));
}

void BankDocument::SetAnswerText(int row, int answer, const QString &text)
{
    EditQuestion(
        row, QStringLiteral("правку ответа %1 вопроса %2").arg(answer + 1).arg(row + 1),
        [answer, &text](BankQuestion &question) {
            if (answer >= 0 && answer < question.answers.size()) {
                question.answers[answer] = text;
            }
        },
        QStringLiteral("answer %1 %2").arg(row).arg(answer));
}

void BankDocument::SetCorrect(int row, int answer)
{
    EditQuestion(row, QStringLiteral("выбор верного ответа вопроса %1").arg(row + 1),
                 [answer](BankQuestion &question) {
                     if (answer >= 0 && answer < question.answers.size()) {
                         question.correct = answer + 1;
                     }
                 });
}

void BankDocument::AddAnswer(int row)
{
    EditQuestion(row, QStringLiteral("новый ответ вопроса %1").arg(row + 1),
                 [](BankQuestion &question) {
                     if (question.answers.size() < MaxAnswers) {
                         question.answers.append(QString());
                     }
                 });
}

void BankDocument::RemoveAnswer(int row, int answer)
{
    EditQuestion(row, QStringLiteral("удаление ответа %1 вопроса %2").arg(answer + 1).arg(row + 1),
                 [answer](BankQuestion &question) {
                     if (answer < 0 || answer >= question.answers.size()) {
                         return;
                     }
                     question.answers.removeAt(answer);
                     // The correct answer keeps its text: the mark moves with it or goes.
                     if (question.correct == answer + 1) {
                         question.correct = 0;
                     } else if (question.correct > answer + 1) {
                         --question.correct;
                     }
                 });
}

void BankDocument::AddQuestion(int row)
{
    InsertQuestions(row, {EmptyQuestion()}, QStringLiteral("новый вопрос"));
}

void BankDocument::DuplicateQuestion(int row)
{
    if (!ValidRow(row)) {
        return;
    }
    InsertQuestions(row + 1, {Question(row)}, QStringLiteral("копию вопроса %1").arg(row + 1));
}

void BankDocument::RemoveQuestion(int row)
{
    if (!ValidRow(row)) {
        return;
    }
    const BankQuestion removed = Question(row);
    Push(
        QStringLiteral("удаление вопроса %1").arg(row + 1), [this, row] { RemoveRows(row, 1); },
        [this, row, removed] { InsertRows(row, {removed}); });
}

void BankDocument::MoveQuestion(int from, int to)
{
    to = std::clamp(to, 0, rowCount() - 1);
    if (!ValidRow(from) || from == to) {
        return;
    }
    Push(
        QStringLiteral("перенос вопроса %1").arg(from + 1), [this, from, to] { MoveRow(from, to); },
        [this, from, to] { MoveRow(to, from); });
}

QString BankDocument::InsertSource(int row, const QByteArray &bytes, QString *timeNote)
{
    BankSource block;
    try {
        block = ParseSourceBlock(bytes);
    } catch (const BankSourceError &error) {
        return QStringLiteral("Вопросы не добавлены: в тексте есть ошибки.\n") +
               QString::fromUtf8(error.what());
    }
    m_undo.beginMacro(QStringLiteral("вставку вопросов"));
    if (m_bank.questions.empty() && block.timeLimitSeconds > 0) {
        SetTimeLimit(block.timeLimitSeconds);
    } else if (timeNote != nullptr && block.timeLimitSeconds > 0 &&
               block.timeLimitSeconds != m_bank.timeLimitSeconds) {
        *timeNote =
            QStringLiteral("Время на тест осталось прежним, %1; в источнике — %2.")
                .arg(TimeLimitText(m_bank.timeLimitSeconds), TimeLimitText(block.timeLimitSeconds));
    }
    InsertQuestions(std::clamp(row, 0, rowCount()), block.questions,
                    QStringLiteral("вставку вопросов"));
    m_undo.endMacro();
    return {};
}

QString BankDocument::SourceOf(int row) const
{
    if (!ValidRow(row)) {
        return {};
    }
    return FormatSource({0, {Question(row)}}, false);
}

void BankDocument::Create(const QString &path)
{
    Reset(path, {NewBankTimeLimit, {EmptyQuestion()}}, false);
}

QString BankDocument::Open(const QString &path)
{
    ReadBank read;
    try {
        read = ReadBankAsFarAsPossible(LocalName(path));
    } catch (const EInOutError &error) {
        return QStringLiteral("Не удалось открыть «%1»: %2.")
            .arg(QFileInfo(path).fileName(), IoErrorReason(error.Code()));
    }
    Reset(path, std::move(read.bank), true);
    m_fileFindings = std::move(read.findings);
    m_questionLines = std::move(read.questionLines);
    m_promisedCount = read.promisedCount;
    emit IssuesChanged();
    return {};
}

void BankDocument::Close()
{
    Reset(QString(), {}, false);
}

QString BankDocument::Save()
{
    QStringList fatal;
    for (const BankIssue &issue : m_issues) {
        if (issue.fatal) {
            fatal.append(
                issue.question < 0
                    ? issue.message
                    : QStringLiteral("Вопрос %1. %2").arg(issue.question + 1).arg(issue.message));
        }
    }
    const QString name = QFileInfo(m_path).fileName();
    if (!fatal.isEmpty()) {
        return QStringLiteral("Банк «%1» не сохранён: программа тестирования прочла бы его "
                              "неверно.\n%2")
            .arg(name, fatal.join(QLatin1Char('\n')));
    }
    // Every bank the writer refuses has a fatal issue, so it cannot throw here.
    const std::string bytes = WriteBankBytes(m_bank.timeLimitSeconds, m_bank.questions);
    const QString error = WriteWhole(m_path, QByteArray::fromStdString(bytes));
    if (!error.isEmpty()) {
        return QStringLiteral("Не удалось сохранить «%1»: %2. Правки остались в окне.")
            .arg(name, error);
    }
    m_onDisk = true;
    m_fileFindings.clear();
    m_questionLines.clear();
    m_promisedCount = 0;
    m_undo.setClean();
    emit ModifiedChanged();
    emit IssuesChanged();
    return {};
}

QString BankDocument::Export(const QString &path) const
{
    const QString error = WriteWhole(path, FormatSource(m_bank, true).toUtf8());
    return error.isEmpty() ? QString()
                           : QStringLiteral("Не удалось записать «%1»: %2.")
                                 .arg(QFileInfo(path).fileName(), error);
}

void BankDocument::Reset(const QString &path, BankSource bank, bool onDisk)
{
    beginResetModel();
    m_undo.clear();
    m_bank = std::move(bank);
    m_path = path;
    m_onDisk = onDisk;
    m_fileFindings.clear();
    m_questionLines.clear();
    m_promisedCount = 0;
    m_issues = IsOpen() ? FindBankIssues(m_bank) : std::vector<BankIssue>();
    endResetModel();
    emit TimeLimitChanged();
    emit IssuesChanged();
    emit ModifiedChanged();
}

void BankDocument::Push(const QString &what, std::function<void()> redo, std::function<void()> undo,
                        const QString &mergeKey)
{
    m_undo.push(new EditCommand(what, std::move(redo), std::move(undo), mergeKey));
}

void BankDocument::EditQuestion(int row, const QString &what,
                                const std::function<void(BankQuestion &)> &change,
                                const QString &mergeKey)
{
    if (!ValidRow(row)) {
        return;
    }
    const BankQuestion before = Question(row);
    BankQuestion after = before;
    change(after);
    if (Same(before, after)) {
        return;
    }
    Push(
        what, [this, row, after] { ReplaceQuestion(row, after); },
        [this, row, before] { ReplaceQuestion(row, before); }, mergeKey);
}

void BankDocument::InsertQuestions(int row, const std::vector<BankQuestion> &questions,
                                   const QString &what)
{
    if (questions.empty()) {
        return;
    }
    const int count = static_cast<int>(questions.size());
    Push(
        what, [this, row, questions] { InsertRows(row, questions); },
        [this, row, count] { RemoveRows(row, count); });
}

void BankDocument::ReplaceQuestion(int row, const BankQuestion &question)
{
    m_bank.questions[static_cast<std::size_t>(row)] = question;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    Changed();
    emit RowTouched(row);
}

void BankDocument::InsertRows(int row, const std::vector<BankQuestion> &questions)
{
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(questions.size()) - 1);
    m_bank.questions.insert(m_bank.questions.begin() + row, questions.begin(), questions.end());
    endInsertRows();
    Changed();
    emit RowTouched(row);
}

void BankDocument::RemoveRows(int row, int count)
{
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_bank.questions.erase(m_bank.questions.begin() + row, m_bank.questions.begin() + row + count);
    endRemoveRows();
    Changed();
    emit RowTouched(std::min(row, rowCount() - 1));
}

void BankDocument::MoveRow(int from, int to)
{
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    const auto first = m_bank.questions.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
    endMoveRows();
    Changed();
    emit RowTouched(to);
}

void BankDocument::ReplaceTimeLimit(int seconds)
{
    m_bank.timeLimitSeconds = seconds;
    emit TimeLimitChanged();
    Changed();
}

void BankDocument::Changed()
{
    m_issues = FindBankIssues(m_bank);
    // Rows whose issues changed are drawn in another colour.
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1),
                         {Qt::ForegroundRole, Qt::ToolTipRole});
    }
    emit IssuesChanged();
}
