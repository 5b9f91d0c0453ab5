#include "app/tform1.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "support/mainwindow.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <iterator>
#include <memory>
#include <string>

namespace {

// Long enough that no real tick of the running countdown ends a test: the soak ticks it itself.
constexpr int TimeLimit = 20;

// The ways a test ends through the window; the soak cycles through them.
enum class Ending {
    Answered,
    FinishConfirmed,
    FinishRefusedThenAnswered,
    TimeOut,
    TimeOutUnderFinishQuestion,
    BankFailsToLoad,
    WindowClosed,
};
constexpr int EndingCount = 7;

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

private:
    void RunOne(int index)
    {
        const auto ending = static_cast<Ending>(index % EndingCount);
        const int grade = index % 7;
        const QString pupil = Pupils[index % std::size(Pupils)];
        const QString group = Groups[index % std::size(Groups)];
        const QString bankFile =
            QString::fromLatin1(BankFileNames[static_cast<std::size_t>(grade)]);
        TForm1 &form = *m_window->form;
        ScriptedDialogs &dialogs = m_window->dialogs;
        const QByteArray before = m_window->Log();
        if (ending == Ending::BankFailsToLoad) {
            // Alternately a bank the teacher deleted and one that is no bank.
            if (index / EndingCount % 2 == 0) {
                QFile::remove(m_window->start.filePath(bankFile));
            } else {
                m_window->start.WriteFile(bankFile, "0 600\r\nx\r\n");
            }
        }
        m_window->StartTest(pupil, grade, group);
        QVERIFY(form.TestRunning());

        int score = 0;
        QStringList boxes{QStringLiteral("Закончить тест?")};
        const auto answer = [&](bool right) {
            m_window->Answer(right);
            score += right;
        };
        switch (ending) {
        case Ending::Answered:
            answer(index % 2 == 0);
            answer(true);
            answer(false);
            boxes = {QStringLiteral("Тест завершен")};
            break;
        case Ending::FinishConfirmed:
            answer(true);
            m_window->Finish(Dialogs::Answer::Ok);
            break;
        case Ending::FinishRefusedThenAnswered:
            answer(true);
            m_window->Finish(Dialogs::Answer::Cancel);
            answer(false);
            answer(true);
            boxes.append(QStringLiteral("Тест завершен"));
            break;
        case Ending::TimeOut:
            answer(true);
            for (int tick = 0; tick < TimeLimit; ++tick) {
                form.Timer1Timer();
            }
            boxes = {QStringLiteral("Тест окончен!")};
            break;
        case Ending::TimeOutUnderFinishQuestion:
            for (int tick = 1; tick < TimeLimit; ++tick) {
                form.Timer1Timer();
            }
            dialogs.WhileNextBoxIsOpen([&form] { form.Timer1Timer(); });
            m_window->Finish(Dialogs::Answer::Ok);
            boxes.append(QStringLiteral("Тест окончен!"));
            break;
        case Ending::BankFailsToLoad:
            QCOMPARE(m_window->Errors().size(), 1);
            boxes.prepend(dialogs.texts().first());
            m_window->Finish(Dialogs::Answer::Ok);
            m_window->WriteBanks(TimeLimit);
            break;
        case Ending::WindowClosed:
            answer(true);
            dialogs.QueueAnswer(Dialogs::Answer::Ok);
            QVERIFY(form.close());
            // The program would end here; the window opens again for the next pupil.
            form.show();
            break;
        }
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QCOMPARE(dialogs.texts(), boxes);
        dialogs.clear();
        QVERIFY(!form.TestRunning());
        QVERIFY(!form.Timer1->isActive());
        QCOMPARE(form.Label1->text(), QStringLiteral("Ваш результат в баллах: %1").arg(score));
        QByteArray record;
        if (ending != Ending::BankFailsToLoad) {
            record = QByteArray::fromStdString(ResultRecordBytes(
                {ToCp1251(pupil), std::to_string(5 + grade), ToCp1251(group), score}));
        }
        QCOMPARE(m_window->Log(), before + record);
    }

    std::unique_ptr<MainWindowFixture> m_window;

private slots:
    void initTestCase()
    {
        DefaultMessageHandler = qInstallMessageHandler(DropSizeHintWarnings);
        m_window = std::make_unique<MainWindowFixture>(TimeLimit);
        QVERIFY(m_window->Open());
    }

    void cleanupTestCase() { m_window.reset(); }

    void pupilsInTurn()
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
};

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
