#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "quiz/questionbank.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "support/bankfixtures.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// Long enough that no real tick of the running countdown ends a test: the soak ticks it itself.
constexpr int TimeLimit = 20;

// Every way a test can end; the soak cycles through them.
enum class Ending {
    AllRight,
    AllWrong,
    Mixed,
    FinishConfirmed,
    FinishRefusedThenAnswered,
    TimeOut,
    TimeOutUnderFinishQuestion,
    BankFailsToLoad,
    FinishAtOnce,
    WindowClosed,
};
constexpr int EndingCount = 10;

const QString Pupils[] = {QStringLiteral("Иванов Иван"), QStringLiteral("Петрова Анна"),
                          QStringLiteral("Сидоров Ёжик"), QStringLiteral("Ли"),
                          QStringLiteral("Кузнецова-Щукина Юлия")};
const QString Groups[] = {QStringLiteral("7А"), QStringLiteral("Б"), QStringLiteral("11-В")};

long ResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// Freed memory waits in AddressSanitizer's quarantine, so there the resident size says nothing;
// LeakSanitizer checks for leaks instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool ResidentSizeIsMeaningful = false;
#else
constexpr bool ResidentSizeIsMeaningful = true;
#endif

QtMessageHandler DefaultMessageHandler = nullptr;

// The offscreen platform warns at every switch between registration and test mode; a thousand
// pupils would bury the figures.
void DropSizeHintWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message != QLatin1String("This plugin does not support propagateSizeHints()")) {
        DefaultMessageHandler(type, context, message);
    }
}

qsizetype OpenDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

} // namespace

// Many pupils in turn through one main window, as in a class: every test must leave exactly its
// record, and the program must neither grow nor keep files open.
class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pupilsInTurn();

private:
    void RunOne(int index);
    void AnswerCurrent(bool right);
    void Tick(int times);
    void Finish(Dialogs::Answer answer);
    TEffectLabel *Label(int n) const
    {
        return m_form->AnswerLabels[static_cast<std::size_t>(n - 1)];
    }
    QByteArray Log() const { return m_start->ReadFile(QStringLiteral("Results.txt")); }

    std::unique_ptr<StartDirectoryFixture> m_start;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

void SoakTest::initTestCase()
{
    DefaultMessageHandler = qInstallMessageHandler(DropSizeHintWarnings);
    m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
    const QByteArray bank = QByteArray::fromStdString(WriteBankBytes(TimeLimit, ThreeQuestions()));
    for (const char *name : BankFileNames) {
        m_start->WriteFile(QString::fromLatin1(name), bank);
    }
    m_form = std::make_unique<TForm1>(m_dialogs);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::mouseClick(m_form->Memo1->viewport(), Qt::LeftButton);
}

void SoakTest::cleanupTestCase()
{
    m_form.reset();
    m_start.reset();
}

void SoakTest::AnswerCurrent(bool right)
{
    const QuizState &quiz = m_form->Quiz();
    const int question = quiz.Bank.QuestionOrder[quiz.CurrentPosition];
    const int correct = ThreeQuestions()[static_cast<std::size_t>(question - 1)].correct;
    QTest::mouseClick(Label(right ? correct : (correct == 1 ? 2 : 1)), Qt::LeftButton, {},
                      QPoint(20, 20));
}

void SoakTest::Tick(int times)
{
    for (int tick = 0; tick < times; ++tick) {
        m_form->Timer1Timer();
    }
}

void SoakTest::Finish(Dialogs::Answer answer)
{
    m_dialogs.QueueAnswer(answer);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
}

void SoakTest::RunOne(int index)
{
    const auto ending = static_cast<Ending>(index % EndingCount);
    const int grade = index % 7;
    const QString pupil = Pupils[index % std::size(Pupils)];
    const QString group = Groups[index % std::size(Groups)];
    const QString bankFile = QString::fromLatin1(BankFileNames[static_cast<std::size_t>(grade)]);
    const QByteArray before = Log();

    m_form->Edit1->setText(pupil);
    m_form->ComboBox1->setCurrentIndex(grade);
    m_form->Edit3->setText(group);
    const QByteArray goodBank = m_start->ReadFile(bankFile);
    if (ending == Ending::BankFailsToLoad) {
        // Alternately a bank the teacher deleted and one that is no bank.
        if (index / EndingCount % 2 == 0) {
            QFile::remove(m_start->filePath(bankFile));
        } else {
            m_start->WriteFile(bankFile, "0 600\r\nx\r\n");
        }
    }
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(m_form->TestRunning());

    int score = 0;
    QStringList expectedBoxes;
    const auto answer = [&](bool right) {
        AnswerCurrent(right);
        score += right;
    };
    switch (ending) {
    case Ending::AllRight:
    case Ending::AllWrong:
    case Ending::Mixed:
        answer(ending != Ending::AllWrong);
        answer(ending == Ending::AllRight);
        answer(ending != Ending::AllWrong);
        expectedBoxes = {QStringLiteral("Тест завершен")};
        break;
    case Ending::FinishConfirmed:
        answer(true);
        answer(false);
        Finish(Dialogs::Answer::Ok);
        expectedBoxes = {QStringLiteral("Закончить тест?")};
        break;
    case Ending::FinishRefusedThenAnswered:
        answer(true);
        Finish(Dialogs::Answer::Cancel);
        QVERIFY(m_form->TestRunning());
        answer(false);
        answer(true);
        expectedBoxes = {QStringLiteral("Закончить тест?"), QStringLiteral("Тест завершен")};
        break;
    case Ending::TimeOut:
        answer(true);
        Tick(TimeLimit);
        expectedBoxes = {QStringLiteral("Тест окончен!")};
        break;
    case Ending::TimeOutUnderFinishQuestion:
        Tick(TimeLimit - 1);
        QVERIFY(m_form->TestRunning());
        m_dialogs.WhileNextBoxIsOpen([this] { m_form->Timer1Timer(); });
        Finish(Dialogs::Answer::Ok);
        expectedBoxes = {QStringLiteral("Закончить тест?"), QStringLiteral("Тест окончен!")};
        break;
    case Ending::BankFailsToLoad:
        QCOMPARE(m_dialogs.shown().size(), 1);
        QCOMPARE(m_dialogs.shown().first().kind, ScriptedDialogs::Kind::Error);
        QVERIFY(!m_form->Timer1->isActive());
        expectedBoxes = {m_dialogs.shown().first().text, QStringLiteral("Закончить тест?")};
        Finish(Dialogs::Answer::Ok);
        m_start->WriteFile(bankFile, goodBank);
        break;
    case Ending::FinishAtOnce:
        Finish(Dialogs::Answer::Ok);
        expectedBoxes = {QStringLiteral("Закончить тест?")};
        break;
    case Ending::WindowClosed:
        answer(true);
        m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
        QVERIFY(m_form->close());
        // The program would end here; the window opens again for the next pupil.
        m_form->show();
        expectedBoxes = {QStringLiteral("Закончить тест?")};
        break;
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(m_dialogs.texts(), expectedBoxes);
    m_dialogs.clear();
    QVERIFY(!m_form->TestRunning());
    QVERIFY(!m_form->Timer1->isActive());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Ваш результат в баллах: %1").arg(score));
    QByteArray record;
    if (ending != Ending::BankFailsToLoad) {
        record = QByteArray::fromStdString(ResultRecordBytes(
            {ToCp1251(pupil), std::to_string(5 + grade), ToCp1251(group), score}));
    }
    QCOMPARE(Log(), before + record);
}

void SoakTest::pupilsInTurn()
{
    bool ok = false;
    const int tests = qEnvironmentVariableIntValue("ORTUS_SOAK_TESTS", &ok);
    const int total = ok ? tests : 120;
    const int warmUp = std::min(total, 100);
    QElapsedTimer elapsed;
    elapsed.start();
    long rssAfterWarmUp = 0;
    qsizetype descriptorsAfterWarmUp = 0;
    for (int index = 0; index < total; ++index) {
        RunOne(index);
        if (QTest::currentTestFailed()) {
            qWarning("failed in test %d of %d", index + 1, total);
            return;
        }
        if (index + 1 == warmUp) {
            rssAfterWarmUp = ResidentKilobytes();
            descriptorsAfterWarmUp = OpenDescriptors();
        }
    }
    const long rssAtEnd = ResidentKilobytes();
    const qsizetype descriptorsAtEnd = OpenDescriptors();
    qInfo("%d tests in %lld ms; RSS after the first %d: %ld kB, after the last %d: %ld kB "
          "(%+ld kB); open descriptors %lld, then %lld",
          total, static_cast<long long>(elapsed.elapsed()), warmUp, rssAfterWarmUp, warmUp,
          rssAtEnd, rssAtEnd - rssAfterWarmUp, static_cast<long long>(descriptorsAfterWarmUp),
          static_cast<long long>(descriptorsAtEnd));
    QCOMPARE(descriptorsAtEnd, descriptorsAfterWarmUp);
    QVERIFY(rssAfterWarmUp > 0);
    QVERIFY2(!ResidentSizeIsMeaningful || rssAtEnd - rssAfterWarmUp < 5 * 1024,
             "the program grows from pupil to pupil");
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
