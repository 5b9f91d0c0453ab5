#include "support/bankfixtures.h"
#include "support/startdirectory.h"
#include "teacher/bankcheck.h"
#include "teacher/banksource.h"
#include "workbench/bankdocument.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

// The bank being edited, with no window: edits and their undo, the issues of the bank as it
// stands, and what goes to and comes from the disk.
using Edit = std::function<void(BankDocument &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

const QByteArray Base = CrLfLines({"2 120", "gg", "Q1", "a", "b", "#", "Q2", "c", "#"});

// "time | question: answers, + before the correct one | …"
QString Outline(const BankDocument &document)
{
    QStringList parts{QString::number(document.Content().timeLimitSeconds)};
    for (const BankQuestion &question : document.Content().questions) {
        QStringList answers;
        for (int k = 0; k < question.answers.size(); ++k) {
            answers.append((question.correct == k + 1 ? QStringLiteral("+") : QString()) +
                           question.answers[k]);
        }
        parts.append(question.text + QStringLiteral(": ") + answers.join(QLatin1Char(',')));
    }
    return parts.join(QStringLiteral(" | "));
}

// "question field fatal|warning" of each issue.
QString Issues(const BankDocument &document)
{
    static const QStringList fields{QStringLiteral("time"),   QStringLiteral("questions"),
                                    QStringLiteral("text"),   QStringLiteral("answers"),
                                    QStringLiteral("answer"), QStringLiteral("correct")};
    QStringList issues;
    for (const BankIssue &issue : document.Issues()) {
        issues.append(QStringLiteral("%1 %2%3 %4")
                          .arg(issue.question)
                          .arg(fields[static_cast<int>(issue.field)])
                          .arg(issue.answer < 0 ? QString() : QString::number(issue.answer))
                          .arg(issue.fatal ? QStringLiteral("fatal") : QStringLiteral("warning")));
    }
    return issues.join(QStringLiteral("; "));
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestBankDocument : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    // The document open on a copy of the bytes, with a tester that checks every model signal.
    std::unique_ptr<BankDocument> Opened(const QByteArray &bytes, const QString &name = "Vop5.dat")
    {
        auto document = std::make_unique<BankDocument>();
        new QAbstractItemModelTester(
            document.get(), QAbstractItemModelTester::FailureReportingMode::QtTest, document.get());
        WriteFixtureFile(m_folder.filePath(name), bytes);
        const QString error = document->Open(m_folder.filePath(name));
        if (!error.isEmpty()) {
            qFatal("%s", qPrintable(error));
        }
        return document;
    }

private slots:
    void everyEditIsUndone_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("expected");
        const QString q2 = QStringLiteral("Q2: +c");
        QTest::newRow("time limit")
            << Edit([](BankDocument &d) { d.SetTimeLimit(90); }) << "90 | Q1: a,+b | " + q2;
        QTest::newRow("typing merges into one step") << Edit([](BankDocument &d) {
            d.SetQuestionText(1, QStringLiteral("Т"));
            d.SetQuestionText(1, QStringLiteral("Тест"));
        }) << QStringLiteral("120 | Q1: a,+b | Тест: +c");
        QTest::newRow("answer text")
            << Edit([](BankDocument &d) { d.SetAnswerText(0, 0, QStringLiteral("x")); })
            << "120 | Q1: x,+b | " + q2;
        QTest::newRow("correct answer")
            << Edit([](BankDocument &d) { d.SetCorrect(0, 0); }) << "120 | Q1: +a,b | " + q2;
        QTest::newRow("answer added") << Edit([](BankDocument &d) { d.AddAnswer(1); })
                                      << QStringLiteral("120 | Q1: a,+b | Q2: +c,");
        QTest::newRow("answer before the correct one removed")
            << Edit([](BankDocument &d) { d.RemoveAnswer(0, 0); }) << "120 | Q1: +b | " + q2;
        QTest::newRow("correct answer removed")
            << Edit([](BankDocument &d) { d.RemoveAnswer(0, 1); }) << "120 | Q1: a | " + q2;
        QTest::newRow("question added")
            << Edit([](BankDocument &d) { d.AddQuestion(1); }) << "120 | Q1: a,+b | : , | " + q2;
        QTest::newRow("question duplicated")
            << Edit([](BankDocument &d) { d.DuplicateQuestion(0); })
            << "120 | Q1: a,+b | Q1: a,+b | " + q2;
        QTest::newRow("question removed")
            << Edit([](BankDocument &d) { d.RemoveQuestion(0); }) << "120 | " + q2;
        QTest::newRow("moved down")
            << Edit([](BankDocument &d) { d.MoveQuestion(0, 1); }) << "120 | " + q2 + " | Q1: a,+b";
        QTest::newRow("source block pasted, no time line")
            << Edit([](BankDocument &d) { QCOMPARE(d.InsertSource(1, "Q3\n-d\n+e"), QString()); })
            << "120 | Q1: a,+b | Q3: d,+e | " + q2;
        QTest::newRow("question dragged below the last") << Edit([](BankDocument &d) {
            std::unique_ptr<QMimeData> mime(d.mimeData({d.index(0, 0)}));
            QVERIFY(!d.dropMimeData(mime.get(), Qt::MoveAction, 2, 0, {}));
        }) << "120 | " + q2 + " | Q1: a,+b";
        QTest::newRow("source text dropped") << Edit([](BankDocument &d) {
            QMimeData mime;
            mime.setText(QStringLiteral("Q3\n+d"));
            QVERIFY(d.dropMimeData(&mime, Qt::CopyAction, 0, 0, {}));
        }) << "120 | Q3: +d | Q1: a,+b | " + q2;
    }

    void everyEditIsUndone()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, expected);
        const auto document = Opened(Base);
        const QString before = Outline(*document);
        edit(*document);
        QCOMPARE(Outline(*document), expected);
        QVERIFY(document->IsModified());
        QCOMPARE(document->UndoStack().count(), 1);
        document->UndoStack().undo();
        QCOMPARE(Outline(*document), before);
        QVERIFY(!document->IsModified());
        document->UndoStack().redo();
        QCOMPARE(Outline(*document), expected);
    }

    // The same bytes as `ortus-bank build` for a source, and a shipped bank saved unchanged.
    void savesTheBytesTheQuizReads_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("bank");
        for (const QString name : {"Vop5", "Vop67", "Vop89", "Vop1011"}) {
            QTest::newRow(qPrintable(name))
                << ShippedFile("banks/" + name + ".txt") << ShippedFile(name + ".dat");
        }
    }

    void savesTheBytesTheQuizReads()
    {
        QFETCH(QString, source);
        QFETCH(QString, bank);
        const QByteArray sourceBytes = ReadAll(source);
        BankDocument created;
        created.Create(m_folder.filePath("new.dat"));
        created.RemoveQuestion(0);
        QCOMPARE(created.InsertSource(0, sourceBytes), QString());
        QCOMPARE(created.Save(), QString());
        QCOMPARE(ReadAll(m_folder.filePath("new.dat")),
                 QByteArray::fromStdString(BuildBankFromSource(sourceBytes)));

        const auto opened = Opened(ReadAll(bank), "shipped.dat");
        const QString path = m_folder.filePath("shipped.dat");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        QCOMPARE(opened->Save(), QString());
        QCOMPARE(ReadAll(path), ReadAll(bank));
        // The "user" bits say what this process may do, not the file's mode.
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }

    void issuesFollowTheEdits_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("issues");
        QTest::newRow("sound") << Edit([](BankDocument &) {}) << QString();
        QTest::newRow("empty question text")
            << Edit([](BankDocument &d) { d.SetQuestionText(0, QString()); }) << "0 text fatal";
        QTest::newRow("blank answer")
            << Edit([](BankDocument &d) { d.SetAnswerText(0, 0, QStringLiteral("  ")); })
            << "0 answer0 fatal";
        QTest::newRow("answer repeats another")
            << Edit([](BankDocument &d) { d.SetAnswerText(0, 1, QStringLiteral(" A")); })
            << "0 answer1 warning";
        QTest::newRow("no correct answer")
            << Edit([](BankDocument &d) { d.RemoveAnswer(0, 1); }) << "0 correct fatal";
        QTest::newRow("no answers")
            << Edit([](BankDocument &d) { d.RemoveAnswer(1, 0); }) << "1 answers fatal";
        QTest::newRow("√ is not in Windows-1251")
            << Edit([](BankDocument &d) { d.SetQuestionText(1, QStringLiteral("√2 = ?")); })
            << "1 text fatal";
        QTest::newRow("line break in an answer")
            << Edit([](BankDocument &d) { d.SetAnswerText(1, 0, QStringLiteral("c\nd")); })
            << "1 answer0 fatal";
        QTest::newRow("# as an answer")
            << Edit([](BankDocument &d) { d.SetAnswerText(0, 1, QStringLiteral("#")); })
            << "0 answer1 fatal";
        QTest::newRow("time limit of 0")
            << Edit([](BankDocument &d) { d.SetTimeLimit(0); }) << "-1 time fatal";
        QTest::newRow("51 questions") << Edit([](BankDocument &d) {
            d.InsertSource(2, QByteArray("Вопрос\n+да\n\n").repeated(49));
        }) << "50 questions fatal";
        QTest::newRow("no questions") << Edit([](BankDocument &d) {
            d.RemoveQuestion(0);
            d.RemoveQuestion(0);
        }) << "-1 questions fatal";
    }

    // A fatal issue refuses the save, names itself, and leaves the file as it was.
    void issuesFollowTheEdits()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, issues);
        const auto document = Opened(Base);
        edit(*document);
        QCOMPARE(Issues(*document), issues);
        const QString error = document->Save();
        QCOMPARE(error.isEmpty(), !issues.contains("fatal"));
        if (!error.isEmpty()) {
            QVERIFY2(error.contains(document->Issues().front().message), qPrintable(error));
            QCOMPARE(ReadAll(m_folder.filePath("Vop5.dat")), Base);
            QVERIFY(document->IsModified());
        }
    }

    // What a finding about a text says, in the teacher's words.
    void textFaultsAreNamedPlainly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("said");
        QTest::newRow("one character") << QStringLiteral("√2") << "символа √ нет";
        QTest::newRow("two characters") << QStringLiteral("√2²") << "символов √² нет";
        QTest::newRow("line break") << QStringLiteral("a\nb") << "перевод строки";
        QTest::newRow("end-of-text byte")
            << QStringLiteral("a\x1a") << "символ конца файла (код 26)";
    }

    void textFaultsAreNamedPlainly()
    {
        QFETCH(QString, text);
        QFETCH(QString, said);
        const std::vector<BankIssue> issues =
            FindBankIssues({60, {{text, {QStringLiteral("да")}, 1}}});
        QCOMPARE(issues.size(), 1U);
        QVERIFY2(issues.front().message.contains(said), qPrintable(issues.front().message));
    }

    // A source's own time limit is taken by an empty bank; a bank with questions keeps its own
    // and says so.
    void importKeepsTheTimeLimit_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("note");
        QTest::newRow("another time")
            << QByteArray("Время: 15 мин\n\nQ\n+a")
            << QStringLiteral("Время на тест осталось прежним, 2 мин; в источнике — 15 мин.");
        QTest::newRow("the same time") << QByteArray("Время: 120\n\nQ\n+a") << QString();
        QTest::newRow("no time line") << QByteArray("Q\n+a") << QString();
    }

    void importKeepsTheTimeLimit()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, note);
        const auto document = Opened(Base);
        QString said;
        QCOMPARE(document->InsertSource(2, source, &said), QString());
        QCOMPARE(document->Content().timeLimitSeconds, 120);
        QCOMPARE(said, note);
    }

    // A bank the quiz refuses opens as far as it reads, lists the file's findings, and saves
    // as a sound bank.
    void faultyBankOpens_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outline");
        QTest::addColumn<int>("promised");
        const QString two = QStringLiteral(
            "120 | first question: answer one,answer two,+answer three | second question: +yes,no");
        QTest::newRow("LF line ends") << QByteArray(TwoQuestions).replace("\r\n", "\n") << two << 0;
        QTest::newRow("cut short: count above the questions")
            << QByteArray(TwoQuestions).replace("2 120", "3 120") << two << 3;
        QTest::newRow("final # missing") << TwoQuestions.chopped(3) << two << 0;
        QTest::newRow("count not a number")
            << CrLfLines({"два 60", "f", "Q", "a", "#"}) << QStringLiteral("60 | Q: +a") << 0;
        QTest::newRow("sixth answer")
            << CrLfLines({"1 60", "g", "Q", "1", "2", "3", "4", "5", "6", "#"})
            << QStringLiteral("60 | Q: 1,+2,3,4,5") << 0;
        QTest::newRow("key names no answer")
            << QByteArray(TwoQuestions).replace("hg", "zz")
            << QStringLiteral("120 | first question: answer one,answer two,answer three | "
                              "second question: yes,no")
            << 0;
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("0") << 0;
    }

    void faultyBankOpens()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, outline);
        QFETCH(int, promised);
        const auto document = Opened(bytes);
        QCOMPARE(Outline(*document), outline);
        QCOMPARE(document->PromisedCount(), promised);
        QVERIFY(!document->FileFindings().empty());
        QVERIFY(!document->IsModified());
        if (!Issues(*document).contains("fatal")) {
            QCOMPARE(document->Save(), QString());
            QVERIFY(document->FileFindings().empty());
            QCOMPARE(document->PromisedCount(), 0);
            QCOMPARE(CheckBankFile(m_folder.filePath("Vop5.dat").toStdString()).size(), 0U);
        }
    }

    void failedSaveKeepsTheEdits_data()
    {
        QTest::addColumn<bool>("folderRemoved");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only bank") << false << "файл только для чтения";
        QTest::newRow("folder removed") << true << "папки нет";
    }

    // The reason is the teacher's language, as every message of the window.
    void failedSaveKeepsTheEdits()
    {
        QFETCH(bool, folderRemoved);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        BankDocument document;
        const QString path = folder.filePath("Vop5.dat");
        WriteFixtureFile(path, Base);
        QCOMPARE(document.Open(path), QString());
        document.SetQuestionText(0, QStringLiteral("правка"));
        if (folderRemoved) {
            QVERIFY(folder.remove());
        } else {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        }
        const QString error = document.Save();
        QVERIFY2(error.contains(QStringLiteral("Правки остались")) && error.contains(reason),
                 qPrintable(error));
        QVERIFY(document.IsModified());
        QCOMPARE(document.Question(0).text, QStringLiteral("правка"));
        QCOMPARE(ReadAll(path), folderRemoved ? QByteArray("<missing>") : Base);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), folderRemoved ? 0 : 1);
    }

    void badSourceAddsNothing_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("where");
        QTest::newRow("Windows-1251 bytes") << QByteArray("Q\n+\xe4\xe0") << "строка 2";
        QTest::newRow("two correct answers") << QByteArray("Q\n+a\n+b") << "строка 1";
        QTest::newRow("answer without a mark") << QByteArray("Время: 1 мин\n\nQ\na") << "строка 4";
    }

    void badSourceAddsNothing()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, where);
        const auto document = Opened(Base);
        const QString error = document->InsertSource(0, source);
        QVERIFY2(error.contains(where), qPrintable(error));
        QCOMPARE(Outline(*document), QStringLiteral("120 | Q1: a,+b | Q2: +c"));
        QCOMPARE(document->UndoStack().count(), 0);
    }
};

QTEST_MAIN(TestBankDocument)
#include "tst_bankdocument.moc"
