#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/startdirectory.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The pending code, cleared as the statement check clears it.
int TakeIoCode()
{
    try {
        CheckIo();
    } catch (const EInOutError &error) {
        return error.Code();
    }
    return 0;
}

// One of the ways to open a file.
using Opening = void (TextFile::*)();
constexpr Opening Reading = &TextFile::OpenForReading;
constexpr Opening Rewriting = &TextFile::OpenForRewriting;
constexpr Opening Appending = &TextFile::OpenForAppending;

QByteArray Contents(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

Q_DECLARE_METATYPE(Opening)

class TestTextFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_directory;
    int m_fileCount = 0;

    // A fresh file holding the bytes, named by the counter so that no test sees another's file.
    std::string FileWith(const QByteArray &bytes)
    {
        return WriteFixtureFile(
            m_directory.filePath(QStringLiteral("file%1.txt").arg(++m_fileCount)), bytes);
    }

private slots:
    // No step may leave a code pending unseen.
    void cleanup() { QCOMPARE(TakeIoCode(), 0); }

    void readNumber_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("rest");

        QTest::newRow("two numbers") << QByteArray("12 345") << 12 << 0 << QByteArray(" 345");
        QTest::newRow("blanks first") << QByteArray(" \t\r\n\r\n 7\r\n") << 7 << 0 << QByteArray();
        QTest::newRow("hex, both cases") << QByteArray("$fF") << 255 << 0 << QByteArray();
        QTest::newRow("hex all ones") << QByteArray("$FFFFFFFF") << -1 << 0 << QByteArray();
        QTest::newRow("hex leading zeros") << QByteArray("$000000000F") << 15 << 0 << QByteArray();
        QTest::newRow("hex nine digits") << QByteArray("$123456789") << 0 << 106 << QByteArray();
        QTest::newRow("dollar alone") << QByteArray("$ 5") << 0 << 106 << QByteArray(" 5");
        QTest::newRow("hex bad digit") << QByteArray("$FG") << 0 << 106 << QByteArray();
        QTest::newRow("signed hex") << QByteArray("-$FF") << 0 << 106 << QByteArray();
        QTest::newRow("minimum") << QByteArray("-2147483648") << INT_MIN << 0 << QByteArray();
        QTest::newRow("maximum") << QByteArray("2147483647") << INT_MAX << 0 << QByteArray();
        QTest::newRow("above maximum") << QByteArray("2147483648") << 0 << 106 << QByteArray();
        QTest::newRow("below minimum") << QByteArray("-2147483649") << 0 << 106 << QByteArray();
        QTest::newRow("plus sign") << QByteArray("+5") << 5 << 0 << QByteArray();
        QTest::newRow("lone minus") << QByteArray("-") << 0 << 106 << QByteArray();
        QTest::newRow("letters") << QByteArray("12abc def") << 0 << 106 << QByteArray(" def");
        // Bytes above 127 belong to the token, not to the blanks before it.
        QTest::newRow("Cyrillic") << QByteArray("\xd1\xe5\xec\xfc") << 0 << 106 << QByteArray();
        QTest::newRow("Ctrl+Z ends it") << QByteArray("12\03234") << 12 << 0 << QByteArray();
        QTest::newRow("Ctrl+Z before") << QByteArray(" \03212") << 0 << 0 << QByteArray();
        QTest::newRow("empty file") << QByteArray() << 0 << 0 << QByteArray();
        // The first 32 characters make the token, the 33rd stays for the next read.
        QTest::newRow("33 characters") << QByteArray(31, '0') + "12" << 1 << 0 << QByteArray("2");
    }

    void readNumber()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, value);
        QFETCH(int, code);
        QFETCH(QByteArray, rest);

        TextFile file(FileWith(input));
        file.OpenForReading();
        QCOMPARE(file.ReadNumber(), value);
        QCOMPARE(TakeIoCode(), code);
        QCOMPARE(QByteArray::fromStdString(file.ReadText()), rest);
    }

    // The statement check comes after the whole statement: the bad number's line is skipped
    // already when the error is raised.
    void numbersAcrossLines()
    {
        TextFile file(FileWith("12\r\n\r\n  345 and a word\r\n1.5 rest of line\r\nnext"));
        file.OpenForReading();
        QCOMPARE(file.ReadNumber(), 12);
        QCOMPARE(file.ReadNumber(), 345);
        file.SkipLine();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(file.ReadNumber(), 0);
        file.SkipLine();
        QCOMPARE(PendingIoCode(), 106);
        try {
            CheckIo();
            QFAIL("no error raised");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), 106);
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Invalid numeric input"));
        }
        QCOMPARE(file.ReadText(), std::string("next"));
    }

    void lines_data()
    {
        using Lines = QList<QByteArray>;
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<Lines>("lines");

        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << Lines{"a", "b"};
        QTest::newRow("CR alone") << QByteArray("a\rb\r") << Lines{"a", "b"};
        QTest::newRow("LF alone") << QByteArray("a\nb\nc\n") << Lines{"a\nb\nc\n"};
        QTest::newRow("LF CR") << QByteArray("a\n\rb") << Lines{"a\n", "b"};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << Lines{"a", "", "b"};
        QTest::newRow("no last line end") << QByteArray("a\r\nb") << Lines{"a", "b"};
        QTest::newRow("empty file") << QByteArray() << Lines{};
        QTest::newRow("Ctrl+Z in a line") << QByteArray("abc\032def\r\nghi\r\n") << Lines{"abc"};
        QTest::newRow("Ctrl+Z after CR") << QByteArray("a\r\032\nb") << Lines{"a"};
        QTest::newRow("Ctrl+Z first") << QByteArray("\032a\r\n") << Lines{};
        QTest::newRow("bytes above 127 and zero") << QByteArray("\xcf\x9b\xff\r\na\0b", 8)
                                                  << Lines{"\xcf\x9b\xff", QByteArray("a\0b", 3)};
        // Line ends and the mark at the end of a buffer and at the start of the next.
        for (const int length : {127, 128, 4095, 4096}) {
            const QByteArray line(length, 'x');
            QTest::addRow("CR LF after %d", length) << line + "\r\nnext\r\n" << Lines{line, "next"};
            QTest::addRow("CR after %d", length) << line + "\rnext" << Lines{line, "next"};
            QTest::addRow("Ctrl+Z after %d", length) << line + "\032next" << Lines{line};
        }
    }

    void lines()
    {
        QFETCH(QByteArray, input);
        QFETCH(QList<QByteArray>, lines);

        TextFile file(FileWith(input));
        file.OpenForReading();
        QList<QByteArray> read;
        while (!file.AtEndOfText() && read.size() <= lines.size()) {
            read.append(QByteArray::fromStdString(file.ReadText()));
            file.SkipLine();
        }
        QCOMPARE(read, lines);
    }

    // The end of the text stays the end: every later read gives it again, without an error, and
    // bytes added by someone else later are not read.
    void endOfTextIsFinal()
    {
        const std::string path = FileWith("a");
        TextFile file(path);
        file.OpenForReading();
        QCOMPARE(file.ReadText(), std::string("a"));
        QVERIFY(file.AtEndOfText());
        QFile more(QString::fromStdString(path));
        QVERIFY(more.open(QIODevice::Append));
        more.write("b\r\n");
        more.close();
        file.SkipLine();
        QCOMPARE(file.ReadText(), std::string());
        QCOMPARE(file.ReadNumber(), 0);
        char buffer[8] = "garbage";
        QCOMPARE(file.ReadTextInto(buffer, 7), std::size_t{0});
        QCOMPARE(buffer[0], '\0');
        QVERIFY(file.AtEndOfText());
        file.CloseFile();
    }

    void readTextInto_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("nextLine");

        const QByteArray full(255, 'a');
        QTest::newRow("300 into 255") << full + "bbb\r\nnext" << 255 << full << QByteArray("next");
        QTest::newRow("exactly 255") << full + "\r\nnext" << 255 << full << QByteArray("next");
        QTest::newRow("empty line")
            << QByteArray("\r\nx") << 255 << QByteArray() << QByteArray("x");
        QTest::newRow("capacity 0")
            << QByteArray("abc\r\nx") << 0 << QByteArray() << QByteArray("x");
        QTest::newRow("Ctrl+Z") << QByteArray("ab\032cd") << 255 << QByteArray("ab")
                                << QByteArray();
    }

    void readTextInto()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, capacity);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, nextLine);

        TextFile file(FileWith(input));
        file.OpenForReading();
        // The target is exactly capacity + 1 bytes, followed by a guard that must stay untouched.
        QByteArray buffer(capacity + 1 + 16, '\x55');
        const std::size_t count =
            file.ReadTextInto(buffer.data(), static_cast<std::size_t>(capacity));
        QCOMPARE(QByteArray(buffer.constData(), static_cast<qsizetype>(count)), expected);
        QCOMPARE(buffer.at(static_cast<qsizetype>(count)), '\0');
        QCOMPARE(buffer.mid(capacity + 1), QByteArray(16, '\x55'));
        file.SkipLine();
        QCOMPARE(QByteArray::fromStdString(file.ReadText()), nextLine);
    }

    void lineNumbers()
    {
        TextFile file(FileWith("a\r\nb\rc\nd\r\n\r\ne"));
        file.OpenForReading();
        QList<int> numbers;
        while (!file.AtEndOfText()) {
            numbers.append(file.LineNumber());
            file.ReadText();
            file.SkipLine();
        }
        // The lone LF joins "c" and "d" into line 3.
        QCOMPARE(numbers, (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(file.LineNumber(), 5);
    }

    // Every byte but the line end and the mark comes back as written. Bytes reach the file when
    // the 128-byte buffer is full or on closing, not per line.
    void writeThenReadEveryByte()
    {
        QByteArray line;
        for (int byte = 0; byte < 256; ++byte) {
            if (byte != '\r' && byte != 26) {
                line.append(static_cast<char>(byte));
            }
        }
        const std::string path = FileWith({});
        TextFile writer(path);
        writer.OpenForRewriting();
        writer.WriteText(line.toStdString());
        QCOMPARE(Contents(path).size(), 128);
        writer.EndLine();
        writer.WriteText("second");
        writer.EndLine();
        QCOMPARE(Contents(path).size(), 256);
        writer.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(Contents(path), line + "\r\nsecond\r\n");

        TextFile reader(path);
        reader.OpenForReading();
        QCOMPARE(QByteArray::fromStdString(reader.ReadText()), line);
        reader.SkipLine();
        QCOMPARE(reader.ReadText(), std::string("second"));
    }

    void rewritingEmptiesAndCreates()
    {
        const std::string existing = FileWith("a long old text that must go\r\n");
        TextFile file(existing);
        file.OpenForRewriting();
        file.WriteNumber(INT_MIN);
        file.WriteText(" ");
        file.WriteNumber(255);
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(Contents(existing), QByteArray("-2147483648 255"));

        const mode_t previous = ::umask(022);
        const std::string created = m_directory.filePath("created.txt").toStdString();
        TextFile fresh(created);
        fresh.OpenForRewriting();
        fresh.CloseFile();
        ::umask(previous);
        QCOMPARE(TakeIoCode(), 0);
        struct stat status {};
        QCOMPARE(::stat(created.c_str(), &status), 0);
        QCOMPARE(status.st_mode & 0777, mode_t{0644});
        QCOMPARE(status.st_size, off_t{0});
    }

    void appending_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("no mark") << QByteArray("old\r\n") << QByteArray("old\r\nnew\r\n");
        QTest::newRow("empty file") << QByteArray() << QByteArray("new\r\n");
        QTest::newRow("mark, then bytes")
            << QByteArray("old\032gone\r\n") << QByteArray("oldnew\r\n");
        QTest::newRow("first of two marks") << QByteArray("a\032b\032c") << QByteArray("anew\r\n");
        // A mark counts only among the last 128 bytes.
        QTest::newRow("mark first of the last 128")
            << QByteArray(72, 'x') + "\032" + QByteArray(127, 'y')
            << QByteArray(72, 'x') + "new\r\n";
        QTest::newRow("mark just before them")
            << "\032" + QByteArray(128, 'y') << "\032" + QByteArray(128, 'y') + "new\r\n";
    }

    void appending()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const std::string path = FileWith(before);
        TextFile file(path);
        file.OpenForAppending();
        QCOMPARE(TakeIoCode(), 0);
        file.WriteText("new");
        file.EndLine();
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(Contents(path), after);
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Opening>("opening");
        QTest::addColumn<int>("code");

        QTest::newRow("missing file, reading") << "missing.txt" << Reading << 2;
        QTest::newRow("missing file, appending") << "missing.txt" << Appending << 2;
        QTest::newRow("missing directory, rewriting") << "nodir/x.txt" << Rewriting << 3;
        QTest::newRow("file used as a directory") << "plain/x.txt" << Reading << 3;
        QTest::newRow("directory, reading") << "folder" << Reading << 5;
        QTest::newRow("directory, rewriting") << "folder" << Rewriting << 5;
        QTest::newRow("empty name, appending") << "" << Appending << 105;
    }

    // A failed opening leaves the file closed and creates nothing.
    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(Opening, opening);
        QFETCH(int, code);

        QTemporaryDir place;
        QVERIFY(QDir(place.path()).mkdir("folder"));
        WriteFixtureFile(place.filePath("plain"), {});

        const std::string path =
            name.isEmpty() ? std::string() : place.filePath(name).toStdString();
        const bool existed = EntryExists(path);
        TextFile file(path);
        (file.*opening)();
        QCOMPARE(TakeIoCode(), code);
        QCOMPARE(file.CurrentMode(), TextFile::Mode::Closed);
        QCOMPARE(EntryExists(path), existed);
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 103);
    }

    void sharing_data()
    {
        QTest::addColumn<Opening>("first");
        QTest::addColumn<Opening>("second");
        QTest::addColumn<int>("code");

        QTest::newRow("two readers") << Reading << Reading << 0;
        QTest::newRow("reader, then rewriter") << Reading << Rewriting << 32;
        QTest::newRow("reader, then appender") << Reading << Appending << 32;
        QTest::newRow("rewriter, then reader") << Rewriting << Reading << 32;
    }

    // Readers share a file, a writer excludes everyone else. The file is held until it is closed
    // or its object goes away, as an abandoned statement leaves it.
    void sharing()
    {
        QFETCH(Opening, first);
        QFETCH(Opening, second);
        QFETCH(int, code);

        const QByteArray original("kept\r\n\032");
        const std::string path = FileWith(original);
        TextFile other(path);
        {
            TextFile holder(path);
            (holder.*first)();
            (other.*second)();
            QCOMPARE(TakeIoCode(), code);
            QCOMPARE(other.CurrentMode() == TextFile::Mode::Closed, code != 0);
            if (first == Reading) {
                // A refused writer leaves the file as it was: no emptying, no cut at the mark.
                QCOMPARE(Contents(path), original);
            }
        }
        (other.*second)();
        other.CloseFile();
    }

    void reopeningClosesFirst()
    {
        TextFile file(FileWith({}));
        file.OpenForRewriting();
        file.WriteText("buffered");
        file.OpenForReading();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(file.ReadText(), std::string("buffered"));
        file.CloseFile();
    }

    // A step in the wrong mode stores its code and does nothing; a later failure replaces an
    // earlier one.
    void wrongMode()
    {
        TextFile file(FileWith("12 text\r\n"));
        QCOMPARE(file.ReadText(), std::string());
        QCOMPARE(TakeIoCode(), 104);
        file.WriteText("x");
        QCOMPARE(TakeIoCode(), 105);
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 103);
        file.CloseFile();
        file.WriteText("x");
        QCOMPARE(TakeIoCode(), 105);
        file.OpenForReading();
        file.WriteNumber(1);
        QCOMPARE(TakeIoCode(), 105);
        file.CloseFile();
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 103);
        file.OpenForRewriting();
        QCOMPARE(file.ReadNumber(), 0);
        QCOMPARE(TakeIoCode(), 104);
        file.CloseFile();
    }

    void diskFull()
    {
        if (!QFileInfo::exists("/dev/full")) {
            QSKIP("no /dev/full here");
        }
        TextFile small("/dev/full");
        small.OpenForRewriting();
        small.WriteText("settings line");
        small.EndLine();
        QCOMPARE(TakeIoCode(), 0);
        // The buffer goes out only now; the failing write-out leaves the file open.
        small.CloseFile();
        QCOMPARE(TakeIoCode(), 112);
        QCOMPARE(small.CurrentMode(), TextFile::Mode::Writing);
        // What could not be written is gone; the next close just closes.
        small.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(small.CurrentMode(), TextFile::Mode::Closed);

        TextFile large("/dev/full");
        large.OpenForRewriting();
        large.WriteText(std::string(200, 'x'));
        QCOMPARE(TakeIoCode(), 112);
        QCOMPARE(IoErrorMessage(112), QStringLiteral("I/O error 112"));
    }

    void tooManyOpenFiles()
    {
        const std::string path = FileWith("x\r\n");
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const int spare = ::open("/dev/null", O_RDONLY);
            const rlimit limit{16, 16};
            ::setrlimit(RLIMIT_NOFILE, &limit);
            while (::dup(spare) >= 0) {
            }
            TextFile file(path);
            file.OpenForReading();
            ::_exit(PendingIoCode());
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 4);
        QCOMPARE(IoErrorMessage(4), QStringLiteral("Too many open files"));
    }

    void longNamesAreCut()
    {
        const QString prefix = m_directory.path() + QLatin1Char('/');
        const std::string path = WriteFixtureFile(
            prefix + QString(qsizetype(TextFile::MaxNameLength) - prefix.size(), QLatin1Char('n')),
            "cut name\r\n");
        QCOMPARE(path.size(), TextFile::MaxNameLength);

        TextFile file(path + "-and-more");
        QCOMPARE(file.Name(), path);
        file.OpenForReading();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(file.ReadText(), std::string("cut name"));
    }

    void relativeNameResolvesWhenOpened()
    {
        QTemporaryDir first;
        QTemporaryDir second;
        WriteFixtureFile(second.filePath("same.txt"), "second\r\n");
        const QString previous = QDir::currentPath();

        QDir::setCurrent(first.path());
        TextFile file("same.txt");
        QDir::setCurrent(second.path());
        file.OpenForReading();
        QDir::setCurrent(previous);
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(file.ReadText(), std::string("second"));
    }

    void entryExists()
    {
        QTemporaryDir place;
        QVERIFY(QDir(place.path()).mkdir("folder"));
        QVERIFY(QFile::link(place.filePath("gone"), place.filePath("dangling")));
        QVERIFY(EntryExists(place.filePath("folder").toStdString()));
        QVERIFY(EntryExists(place.filePath("dangling").toStdString()));
        QVERIFY(!EntryExists(place.filePath("missing").toStdString()));
        QVERIFY(!EntryExists(std::string()));
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
