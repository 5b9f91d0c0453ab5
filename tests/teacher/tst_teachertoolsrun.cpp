#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "support/bankfixtures.h"
#include "support/logfixtures.h"
#include "support/startdirectory.h"

#include <QProcess>
#include <QtTest>

#include <memory>

// ortus-bank and ortus-results run as the teacher runs them: arguments in, text and exit status
// out. Arguments name files of a scratch folder as "{dir}/…"; what each command means is tested
// on the teacher's library.
class TestTeacherToolsRun : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<StartDirectoryFixture> m_start;

private slots:
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(QStringList{QStringLiteral("Vop5.dat")});
        m_start->WriteFile(QStringLiteral("good.dat"), TwoQuestions);
        m_start->WriteFile(QStringLiteral("bad.dat"), QByteArray(TwoQuestions).replace("hg", "hz"));
        m_start->WriteFile(QStringLiteral("lf.dat"),
                           QByteArray(TwoQuestions).replace("\r\n", "\n"));
        m_start->WriteFile(QStringLiteral("good.txt"),
                           "Время: 120\n\nfirst question\n-answer one\n-answer two\n+answer three"
                           "\n\nsecond question\n+yes\n-no\n");
        m_start->WriteFile(QStringLiteral("bad.txt"),
                           "Время: 2 мин\n\nСколько будет 2 + 2?\n-3\n-4\n\nЕщё?\n+да\n+нет\n");
        m_start->WriteFile(QStringLiteral("old.dat"), "the bank before");
        m_start->WriteFile(QStringLiteral("results.txt"),
                           LogBytes({LogRecordBytes("Иванов Иван", "7", "7А", 12),
                                     LogRecordBytes("Петрова Мария", "10", "10Б", 17)}) +
                               QByteArray::fromStdString(ToCp1251("\r\nСидоров")));
        m_start->WriteFile(QStringLiteral("empty.txt"), {});

        // Two tests of good.dat as the quiz logs them, a day apart: 1 of 2, then 2 of 2.
        const std::string start = m_start->path().toStdString();
        CreateResultsLog(start + "/detailed.txt");
        const TestFacts facts{"good.dat",
                              ShortHash(TwoQuestions.toStdString()),
                              2,
                              120,
                              60,
                              TestEnding::AllAnswered,
                              {{1, 1}, {2, 1}}};
        ResultDetailSources().computerName = [] {
            return std::string("pc");
        };
        ResultDetailSources().now = [] {
            return QDateTime(QDate(2026, 12, 7), QTime(9, 0));
        };
        AppendResult("detailed.txt", start, {ToCp1251("Ли"), "7", ToCp1251("7А"), 1}, facts);
        ResultDetailSources().now = [] {
            return QDateTime(QDate(2026, 12, 8), QTime(9, 0));
        };
        TestFacts second = facts;
        second.shown = {{2, 1}, {1, 3}};
        AppendResult("detailed.txt", start, {ToCp1251("Ким"), "7", ToCp1251("7А"), 2}, second);
    }
    void cleanup() { m_start.reset(); }

    void runs_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const auto bank = [](const char *name, const QStringList &arguments, int exitCode,
                             const QString &out, const QString &err) {
            QTest::newRow(name) << ORTUS_BANK_TOOL << arguments << exitCode << out << err;
        };
        const auto results = [](const char *name, const QStringList &arguments, int exitCode,
                                const QString &out, const QString &err) {
            QTest::newRow(name) << ORTUS_RESULTS_TOOL << arguments << exitCode << out << err;
        };

        bank("check a shipped bank", {"check", "{dir}/Vop5.dat"}, 0, "/Vop5.dat: замечаний нет.",
             "");
        bank("check: the worst status of the files", {"check", "{dir}/bad.dat", "{dir}/good.dat"},
             1, "/bad.dat:2: символ 2 ключа (байт 122)", "");
        bank("check a file that cannot be read", {"check", "{dir}/bad.dat", "{dir}/missing.dat"}, 2,
             "/bad.dat:2:", "/missing.dat: не удаётся прочитать файл: File not found");
        bank("check a source", {"check", "{dir}/bad.txt"}, 1,
             "/bad.txt:3: у вопроса должен быть ровно один верный ответ «+», а их 0.", "");
        bank("build", {"build", "{dir}/good.txt", "-o", "{dir}/old.dat"}, 0, "", "");
        bank("build a source with errors", {"build", "{dir}/bad.txt", "-o", "{dir}/old.dat"}, 1, "",
             "/bad.txt:7: у вопроса должен быть ровно один верный ответ «+», а их 2.");
        bank("build into a missing folder",
             {"build", "{dir}/good.txt", "-o", "{dir}/no/such/new.dat"}, 2, "",
             "не удаётся записать файл");
        bank("show a shipped bank", {"show", "{dir}/Vop5.dat"}, 0, "Время: 21 мин\n\n", "");
        bank("show a bank whose key names no answer", {"show", "{dir}/bad.dat"}, 1,
             "second question\n-yes\n-no\n", "/bad.dat:2: символ 2 ключа");
        bank("show a bank the program cannot load", {"show", "{dir}/lf.dat"}, 1, "",
             "строки разделены только символом LF");
        bank("show a missing bank", {"show", "{dir}/missing.dat"}, 2, "", "File not found");
        bank("no command", {}, 2, "", "Использование");
        bank("help", {"--help"}, 0, "ortus-bank build ИСХОДНИК -o ФАЙЛ", "");
        bank("version", {"--version"}, 0, "ortus-bank (Ортус 2000) " ORTUS_VERSION "\n", "");
        bank("unknown option", {"check", "--all", "{dir}/Vop5.dat"}, 2, "",
             "ortus-bank: неизвестный параметр «--all».\nИспользование");
        bank("-o without its file", {"build", "{dir}/good.txt", "-o"}, 2, "",
             "после -o нужно имя файла банка");
        bank("a value for an option that takes none", {"--version=2", "check"}, 2, "",
             "параметр «--version» не принимает значения");
        bank("-o to a command that writes nothing",
             {"show", "{dir}/Vop5.dat", "-o", "{dir}/old.dat"}, 2, "", "Использование");

        results("table", {"{dir}/results.txt"}, 0,
                "Ученик         Класс  ЮГП  Баллы\n"
                "-------------  -----  ---  -----\n"
                "Иванов Иван        7  7А      12\n"
                "Петрова Мария     10  10Б     17\n",
                "results.txt:13: запись «Сидоров» оборвана, не дойдя до строки «Класс: …»");
        results("percentage and mark, more points than questions",
                {"{dir}/results.txt", "--questions", "15", "--marks", "50,60,75"}, 0,
                "Иванов Иван        7  7А      12     80       5\n",
                "results.txt:8: у ученика «Петрова Мария» баллов (17) больше, чем вопросов (15)");
        results("summary", {"--summary", "{dir}/results.txt"}, 0,
                "   10  10Б         1            17          17          17\n", "");
        results("CSV", {"{dir}/results.txt", "--csv", "{dir}/t.csv"}, 0, "Иванов Иван", "");
        results("empty log", {"{dir}/empty.txt"}, 0, "В журнале нет ни одной записи.", "");
        results("missing log", {"{dir}/missing.txt"}, 2, "",
                "не удаётся прочитать журнал: File not found");
        results("bad scale", {"{dir}/results.txt", "--questions", "20", "--marks", "70,50,85"}, 2,
                "", "--marks: нужны три процента");
        results("scale without questions", {"{dir}/results.txt", "--marks", "50,70,85"}, 2, "",
                "--marks действует только вместе с --questions или с файлом подробностей");
        results("help", {"--help"}, 0, "--questions-stats", "");
        results("version", {"--version"}, 0, "ortus-results (Ортус 2000), версия " ORTUS_VERSION,
                "");
        results("marks from the details", {"{dir}/detailed.txt"}, 0,
                "Ли          7  7А       1   50       3\n"
                "Ким         7  7А       2  100       5\n",
                "");
        results("since a day", {"{dir}/detailed.txt", "--since", "2026-12-08", "--summary"}, 0,
                "    7  7А          1             2           2           2\n", "");
        results("bad date", {"{dir}/detailed.txt", "--since", "8.12.2026"}, 2, "", "--since");
        results("per question", {"{dir}/detailed.txt", "--questions-stats"}, 0,
                "good.dat: тестов 2\n", "");
        results("details named but missing", {"{dir}/detailed.txt", "--details", "{dir}/no.tsv"}, 2,
                "", "не удаётся прочитать подробности");
        results("zero questions", {"{dir}/results.txt", "--questions", "0"}, 2, "", "--questions");
        results("no log", {}, 2, "", "Использование");
        results("CSV into a missing folder", {"{dir}/results.txt", "--csv", "{dir}/no/such.csv"}, 2,
                "", "не удаётся записать файл");
    }

    void runs()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QProcess process;
        process.start(program,
                      arguments.replaceInStrings(QStringLiteral("{dir}"), m_start->path()));
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(output.contains(out), qPrintable(output));
        QVERIFY2(errors.contains(err), qPrintable(errors));
        // A build replaces the old bank whole, or leaves it as it was.
        QCOMPARE(m_start->ReadFile(QStringLiteral("old.dat")),
                 QTest::currentDataTag() == QByteArrayView("build")
                     ? TwoQuestions
                     : QByteArray("the bank before"));
        if (arguments.contains(m_start->filePath(QStringLiteral("t.csv")))) {
            QVERIFY(
                m_start->ReadFile(QStringLiteral("t.csv")).startsWith("\xEF\xBB\xBF\"Ученик\";"));
        }
    }
};

QTEST_GUILESS_MAIN(TestTeacherToolsRun)
#include "tst_teachertoolsrun.moc"
