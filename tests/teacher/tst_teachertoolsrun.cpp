#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"

#include <QProcess>
#include <QtTest>

#include <memory>

// ortus-bank and ortus-results run as the teacher runs them: arguments in, text and exit status
// out. Arguments name files of a scratch folder as "{dir}/…".
namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

const QByteArray GoodSource("Время: 2 мин\n\nСколько будет 2 + 2?\n-3\n+4\n");
const QByteArray BadSource("Время: 2 мин\n\nСколько будет 2 + 2?\n-3\n-4\n\nЕщё?\n+да\n+нет\n");

} // namespace

class TestTeacherToolsRun : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<StartDirectoryFixture> m_start;

    Run Execute(const QString &program, const QStringList &arguments)
    {
        QStringList resolved;
        for (const QString &argument : arguments) {
            resolved.append(QString(argument).replace(QStringLiteral("{dir}"), m_start->path()));
        }
        QProcess process;
        process.start(program, resolved);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    void WriteFixtures()
    {
        m_start->WriteFile(QStringLiteral("good.dat"), TwoQuestions);
        m_start->WriteFile(QStringLiteral("bad.dat"), QByteArray(TwoQuestions).replace("hg", "hz"));
        m_start->WriteFile(QStringLiteral("lf.dat"),
                           QByteArray(TwoQuestions).replace("\r\n", "\n"));
        m_start->WriteFile(QStringLiteral("good.txt"), GoodSource);
        m_start->WriteFile(QStringLiteral("bad.txt"), BadSource);
        m_start->WriteFile(QStringLiteral("old.dat"), "the bank before");
    }

private slots:
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(QStringList{QStringLiteral("Vop5.dat")});
        WriteFixtures();
    }
    void cleanup() { m_start.reset(); }

    void bank_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        QTest::newRow("check a shipped bank")
            << QStringList{"check", "{dir}/Vop5.dat"} << 0 << "/Vop5.dat: замечаний нет."
            << "";
        QTest::newRow("check a bank with a finding")
            << QStringList{"check", "{dir}/bad.dat", "{dir}/good.dat"} << 1
            << "/bad.dat:2: символ 2 ключа (байт 122)"
            << "";
        QTest::newRow("check a file that cannot be read")
            << QStringList{"check", "{dir}/bad.dat", "{dir}/missing.dat"} << 2 << "/bad.dat:2:"
            << "/missing.dat: не удаётся прочитать файл: File not found";
        QTest::newRow("check a source")
            << QStringList{"check", "{dir}/bad.txt"} << 1
            << "/bad.txt:3: у вопроса должен быть ровно один верный ответ «+», а их 0."
            << "";
        QTest::newRow("build a source with errors")
            << QStringList{"build", "{dir}/bad.txt", "-o", "{dir}/old.dat"} << 1 << ""
            << "/bad.txt:7: у вопроса должен быть ровно один верный ответ «+», а их 2.";
        QTest::newRow("build into a missing folder")
            << QStringList{"build", "{dir}/good.txt", "-o", "{dir}/no/such/new.dat"} << 2 << ""
            << "не удаётся записать файл";
        QTest::newRow("show a bank whose key names no answer")
            << QStringList{"show", "{dir}/bad.dat"} << 1 << "second question\n-yes\n-no\n"
            << "/bad.dat:2: символ 2 ключа";
        QTest::newRow("show a bank the program cannot load")
            << QStringList{"show", "{dir}/lf.dat"} << 1 << ""
            << "строки разделены только символом LF";
        QTest::newRow("show a missing bank") << QStringList{"show", "{dir}/missing.dat"} << 2 << ""
                                             << "File not found";
        QTest::newRow("no command") << QStringList{} << 2 << ""
                                    << "Использование";
        QTest::newRow("build without -o") << QStringList{"build", "{dir}/good.txt"} << 2 << ""
                                          << "Использование";
    }

    void bank()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        const Run run = Execute(QStringLiteral(ORTUS_BANK_TOOL), arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        // A failed build leaves the old file as it was.
        QCOMPARE(m_start->ReadFile(QStringLiteral("old.dat")), QByteArray("the bank before"));
    }

    // What show prints, built again by the tool, is the shipped bank byte for byte.
    void showThenBuild()
    {
        const Run shown = Execute(QStringLiteral(ORTUS_BANK_TOOL), {"show", "{dir}/Vop5.dat"});
        QCOMPARE(shown.exitCode, 0);
        m_start->WriteFile(QStringLiteral("edited.txt"), shown.out.toUtf8());
        const Run built = Execute(QStringLiteral(ORTUS_BANK_TOOL),
                                  {"build", "{dir}/edited.txt", "-o", "{dir}/rebuilt.dat"});
        QCOMPARE(built.exitCode, 0);
        QCOMPARE(m_start->ReadFile(QStringLiteral("rebuilt.dat")),
                 m_start->ReadFile(QStringLiteral("Vop5.dat")));
    }

    void results_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        QTest::newRow("table") << QStringList{"{dir}/results.txt"} << 0
                               << "Ученик         Класс  ЮГП  Баллы\n"
                                  "-------------  -----  ---  -----\n"
                                  "Иванов Иван        7  7А      12\n"
                                  "Петрова Мария     10  10Б     17\n"
                               << "";
        QTest::newRow("percentage and mark")
            << QStringList{"{dir}/results.txt", "--questions", "20", "--marks", "50,60,90"} << 0
            << "Иванов Иван        7  7А      12  60       4\n"
            << "";
        QTest::newRow("summary") << QStringList{"--summary", "{dir}/results.txt"} << 0
                                 << "   10  10Б         1            17          17          17\n"
                                 << "";
        QTest::newRow("more points than questions")
            << QStringList{"{dir}/results.txt", "--questions", "15"} << 0 << ""
            << "results.txt:8: у ученика «Петрова Мария» баллов (17) больше, чем вопросов (15)";
        QTest::newRow("empty log")
            << QStringList{"{dir}/empty.txt"} << 0 << "В журнале нет ни одной записи."
            << "";
        QTest::newRow("cut-short record")
            << QStringList{"{dir}/cut.txt"} << 0 << "Иванов Иван"
            << "cut.txt:8: запись «Петрова» оборвана, не дойдя до строки «Класс: …»";
        QTest::newRow("missing log") << QStringList{"{dir}/missing.txt"} << 2 << ""
                                     << "не удаётся прочитать журнал: File not found";
        QTest::newRow("bad scale")
            << QStringList{"{dir}/results.txt", "--questions", "20", "--marks", "70,50,85"} << 2
            << ""
            << "--marks: нужны три процента";
        QTest::newRow("scale without questions")
            << QStringList{"{dir}/results.txt", "--marks", "50,70,85"} << 2 << ""
            << "--marks действует только вместе с --questions";
        QTest::newRow("zero questions")
            << QStringList{"{dir}/results.txt", "--questions", "0"} << 2 << ""
            << "--questions";
        QTest::newRow("no log") << QStringList{} << 2 << ""
                                << "Использование";
        QTest::newRow("CSV into a missing folder")
            << QStringList{"{dir}/results.txt", "--csv", "{dir}/no/such.csv"} << 2 << ""
            << "не удаётся записать файл";
    }

    void results()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        const std::string log = m_start->filePath(QStringLiteral("results.txt")).toStdString();
        const ResultRecord first{ToCp1251("Иванов Иван"), "7", ToCp1251("7А"), 12};
        CreateResultsLog(log);
        AppendResult(log, m_start->path().toStdString(), first);
        AppendResult(log, m_start->path().toStdString(),
                     {ToCp1251("Петрова Мария"), "10", ToCp1251("10Б"), 17});
        m_start->WriteFile(QStringLiteral("empty.txt"), {});
        m_start->WriteFile(
            QStringLiteral("cut.txt"),
            QByteArray::fromStdString("\r\n" + ResultRecordBytes(first) + ToCp1251("\r\nПетрова")));

        const Run run = Execute(QStringLiteral(ORTUS_RESULTS_TOOL), arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    }

    // The CSV file as a spreadsheet gets it: no text a pupil typed is run as a formula.
    void csvFile()
    {
        const std::string log = m_start->filePath(QStringLiteral("results.txt")).toStdString();
        CreateResultsLog(log);
        AppendResult(log, m_start->path().toStdString(),
                     {ToCp1251("Иванов \"Ваня\""), "7", ToCp1251("7А; 7Б"), 12});
        AppendResult(log, m_start->path().toStdString(), {"=HYPERLINK(\"x\")", "10", "-", 17});
        const Run run = Execute(QStringLiteral(ORTUS_RESULTS_TOOL),
                                {"{dir}/results.txt", "--questions", "13", "--csv", "{dir}/t.csv"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_start->ReadFile(QStringLiteral("t.csv")),
                 QByteArray("\xEF\xBB\xBF") +
                     QStringLiteral(
                         "\"Ученик\";\"Класс\";\"ЮГП\";\"Баллы\";\"%\";\"Оценка\"\r\n"
                         "\"Иванов \"\"Ваня\"\"\";\"7\";\"7А; 7Б\";\"12\";\"92,3\";\"5\"\r\n"
                         "\"'=HYPERLINK(\"\"x\"\")\";\"10\";\"'-\";\"17\";\"130,7\";\"5\"\r\n")
                         .toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestTeacherToolsRun)
#include "tst_teachertoolsrun.moc"
