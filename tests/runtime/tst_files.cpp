#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <map>

namespace {

// Runs the steps on the file and tells what they gave, "|" between the values; a step that leaves
// a code adds "!code". Steps: r R A open for reading, rewriting, appending; C closes; n t i s e L
// are ReadNumber, ReadText, ReadTextInto 255 bytes, SkipLine, AtEndOfText ("end" or "more") and
// LineNumber; w writes "new", N the lowest number, l a line end; 2 runs the next step on a second
// object of the same name.
QByteArray Run(const std::string &path, const QString &steps)
{
    static const std::map<char, void (TextFile::*)()> actions{
        {'r', &TextFile::OpenForReading},   {'R', &TextFile::OpenForRewriting},
        {'A', &TextFile::OpenForAppending}, {'C', &TextFile::CloseFile},
        {'s', &TextFile::SkipLine},         {'l', &TextFile::EndLine}};
    TextFile first(path);
    TextFile second(path);
    TextFile *file = &first;
    QByteArrayList said;
    for (const QChar step : steps) {
        const char c = step.toLatin1();
        if (c == '2') {
            file = &second;
            continue;
        }
        if (const auto action = actions.find(c); action != actions.end()) {
            (file->*action->second)();
        } else if (c == 'n' || c == 'L') {
            said << QByteArray::number(c == 'n' ? file->ReadNumber() : file->LineNumber());
        } else if (c == 't') {
            said << QByteArray::fromStdString(file->ReadText());
        } else if (c == 'e') {
            said << (file->AtEndOfText() ? "end" : "more");
        } else if (c == 'w') {
            file->WriteText("new");
        } else if (c == 'N') {
            file->WriteNumber(INT_MIN);
        } else if (c == 'i') {
            // The target holds 256 bytes, and the guard behind it must stay untouched.
            QByteArray buffer(256 + 8, '\x55');
            const auto count = static_cast<qsizetype>(file->ReadTextInto(buffer.data(), 255));
            said << buffer.left(count);
            if (buffer[count] != '\0' || buffer.mid(256) != QByteArray(8, '\x55')) {
                said << "overrun";
            }
        }
        if (PendingIoCode() != 0) {
            said << '!' + QByteArray::number(PendingIoCode());
            DiscardPendingIoCode();
        }
        file = &first;
    }
    return said.join('|');
}

} // namespace

// Text files as the program reads and writes them, and the current directory they resolve
// against.
class TestFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_directory;
    QString m_previous = QDir::currentPath();

private slots:
    void cleanup()
    {
        QDir::setCurrent(m_previous);
        QCOMPARE(PendingIoCode(), 0);
    }

    // The file before (none when null), the steps, what they gave and the file after (as before
    // when null).
    void steps_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("said");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *name, const QByteArray &before, const char *steps,
                            const QByteArray &said, const QByteArray &after = {}) {
            QTest::newRow(name) << before << QString::fromLatin1(steps) << said
                                << (after.isNull() ? before : after);
        };

        row("LF alone is a character", "a\nb\n", "rtse", "a\nb\n|end");
        row("LF CR", "a\n\rb", "rtste", "a\n|b|end");
        row("CR CR LF, line numbers", "a\r\r\nb", "rLtsLtsLtL", "1|a|2||3|b|3");
        row("Ctrl+Z in a line", "abc\032def\r\nghi\r\n", "rtstse", "abc||end");
        row("Ctrl+Z after CR", "a\r\032\nb", "rtse", "a|end");
        row("bytes above 127 and zero", QByteArray("\xcf\x9b\xff\r\na\0b", 8), "rtst",
            QByteArray("\xcf\x9b\xff|a\0b", 7));
        // Line ends and the mark at the end of a buffer and at the start of the next.
        for (const int length : {127, 128, 4095, 4096}) {
            const QByteArray line(length, 'x');
            QTest::addRow("CR LF after %d", length)
                << line + "\r\nnext"
                << "rtste" << line + "|next|end" << line + "\r\nnext";
            QTest::addRow("CR after %d", length)
                << line + "\rnext"
                << "rtste" << line + "|next|end" << line + "\rnext";
            QTest::addRow("Ctrl+Z after %d", length)
                << line + "\032next"
                << "rtste" << line + "||end" << line + "\032next";
        }
        // The end of the text stays the end: every later read gives it again, without an error.
        row("end of the text is final", "a", "rtstnie", "a||0||end");
        row("empty file", "", "rtne", "|0|end");
        row("300 bytes into 255", QByteArray(255, 'a') + "bbb\r\nnext", "rist",
            QByteArray(255, 'a') + "|next");
        row("exactly 255 bytes", QByteArray(255, 'a') + "\r\nnext", "rist",
            QByteArray(255, 'a') + "|next");

        row("numbers across lines", " \t\r\n\r\n 7 12\r\n345 and a word\r\n", "rnLnnt",
            "7|3|12|345| and a word");
        row("hexadecimal", "$fF $FFFFFFFF $000000000F", "rnnn", "255|-1|15");
        row("limits and a sign", "-2147483648 2147483647 +5", "rnnn", "-2147483648|2147483647|5");
        row("not numbers", "$123456789 $FG -$FF 2147483648 -2147483649 - 12abc \xd1\xe5",
            "rnnnnnnnn", "0|!106|0|!106|0|!106|0|!106|0|!106|0|!106|0|!106|0|!106");
        row("a lone dollar leaves the rest", "$ 5", "rnt", "0|!106| 5");
        row("Ctrl+Z ends a number", "12\03234", "rnnt", "12|0|");
        // The first 32 characters make the token, the 33rd stays for the next read.
        row("33 characters", QByteArray(31, '0') + "12", "rnn", "1|2");

        row("rewriting empties", "a long old text\r\n", "RNwlC", "", "-2147483648new\r\n");
        row("rewriting creates", {}, "RC", "", "");
        row("reopening writes out first", "", "Rwrt", "new", "new");
        row("appending", "old\r\n", "AwlC", "", "old\r\nnew\r\n");
        row("appending to an empty file", "", "AwlC", "", "new\r\n");
        row("appending cuts at the mark", "old\032gone\r\n", "AwlC", "", "oldnew\r\n");
        row("appending cuts at the first of two marks", "a\032b\032c", "AwlC", "", "anew\r\n");
        // A mark counts only among the last 128 bytes.
        row("appending: mark first of the last 128",
            QByteArray(72, 'x') + "\032" + QByteArray(127, 'y'), "AwlC", "",
            QByteArray(72, 'x') + "new\r\n");
        row("appending: mark just before them", "\032" + QByteArray(128, 'y'), "AwlC", "",
            "\032" + QByteArray(128, 'y') + "new\r\n");

        // A step in the wrong mode stores its code and does nothing.
        row("wrong modes", "12\r\n", "twCrNCCRnC", "|!104|!105|!103|!105|!103|0|!104", "");
        // Readers share a file, a writer excludes everyone else until it closes; a refused writer
        // leaves the file as it was: no emptying, no cut at the mark.
        row("two readers", "kept\032", "r2r", "");
        row("reader, then rewriter", "kept\032", "r2R", "!32");
        row("closing lets the writer in", "kept\032", "r2RC2R", "!32", "");
        row("reader, then appender", "kept\032", "r2A", "!32");
        row("rewriter, then reader", "kept\032", "R2r", "!32", "");
    }

    void steps()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, steps);
        QFETCH(QByteArray, said);
        QFETCH(QByteArray, after);

        const QString path = m_directory.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (!before.isNull()) {
            WriteFixtureFile(path, before);
        }
        QCOMPARE(Run(path.toStdString(), steps), said);
        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly), !after.isNull());
        QCOMPARE(file.isOpen() ? file.readAll() : QByteArray(), after);
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("said");
        const auto row = [](const char *tag, const char *name, const char *steps,
                            const char *said) {
            QTest::newRow(tag) << QString(name) << QString(steps) << QByteArray(said);
        };

        row("missing file, reading", "missing.txt", "rC", "!2|!103");
        row("missing file, appending", "missing.txt", "A", "!2");
        row("missing directory, rewriting", "nodir/x.txt", "R", "!3");
        row("file used as a directory", "plain/x.txt", "r", "!3");
        row("directory, reading", "folder", "r", "!5");
        row("directory, rewriting", "folder", "R", "!5");
        row("empty name, appending", "", "A", "!105");
        row("full disk: the file stays open until closed again", "/dev/full", "RwlCC", "!112");
    }

    // A failed opening leaves the file closed and creates nothing.
    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(QString, steps);
        QFETCH(QByteArray, said);

        QTemporaryDir place;
        QVERIFY(QDir(place.path()).mkdir("folder"));
        WriteFixtureFile(place.filePath("plain"), {});
        const std::string path =
            name.isEmpty() ? std::string() : QDir(place.path()).filePath(name).toStdString();
        QCOMPARE(Run(path, steps), said);
        QCOMPARE(EntryExists(path), name == "folder" || name == "/dev/full");
    }

    // The directory made current, inside a scratch folder that holds "file"; whether it could
    // be, and the current directory afterwards, relative to that folder.
    void setCurrent_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("current");

        const QString deep = QStringList(6, QString(50, QLatin1Char('d'))).join(QLatin1Char('/'));
        QTest::newRow("a path longer than 255 bytes") << deep << true << "/" + deep;
        QTest::newRow("missing or removed directory") << "missing" << false << "";
        QTest::newRow("a file") << "file" << false << "";
        QTest::newRow("empty name") << "" << false << "";
    }

    void setCurrent()
    {
        QFETCH(QString, target);
        QFETCH(bool, set);
        QFETCH(QString, current);

        QTemporaryDir place;
        QVERIFY(QDir(place.path()).mkpath(QStringList(6, QString(50, 'd')).join('/')));
        QVERIFY(QFile(place.filePath("file")).open(QIODevice::WriteOnly));
        QVERIFY(QDir::setCurrent(place.path()));

        QCOMPARE(SetCurrentDirectory(target.isEmpty() ? std::string()
                                                      : place.filePath(target).toStdString()),
                 set);
        QCOMPARE(QString::fromStdString(CurrentDirectory()),
                 QDir(place.path()).canonicalPath() + current);
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
