#include "runtime/ioerror.h"
#include "runtime/textfile.h"

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

enum class Opening { Reading, Rewriting, Appending };

void Open(TextFile &file, Opening opening)
{
    switch (opening) {
    case Opening::Reading:
        file.OpenForReading();
        break;
    case Opening::Rewriting:
        file.OpenForRewriting();
        break;
    case Opening::Appending:
        file.OpenForAppending();
        break;
    }
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
        const QString path = m_directory.filePath(QStringLiteral("file%1.txt").arg(++m_fileCount));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write a fixture file");
        }
        return path.toStdString();
    }

    static QByteArray Contents(const std::string &path)
    {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void init() { QCOMPARE(TakeIoCode(), 0); }

    void readNumber_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("rest");

        QTest::newRow("number, blank, number")
            << QByteArray("12 345") << 12 << 0 << QByteArray(" 345");
        QTest::newRow("blanks and line ends before")
            << QByteArray(" \t\r\n\r\n 7\r\n") << 7 << 0 << QByteArray();
        QTest::newRow("hex upper case") << QByteArray("$FF") << 255 << 0 << QByteArray();
        QTest::newRow("hex lower case") << QByteArray("$ff") << 255 << 0 << QByteArray();
        QTest::newRow("hex all ones is -1") << QByteArray("$FFFFFFFF") << -1 << 0 << QByteArray();
        QTest::newRow("hex top bit") << QByteArray("$80000000") << INT_MIN << 0 << QByteArray();
        QTest::newRow("hex leading zeros are not significant")
            << QByteArray("$0000000000FF") << 255 << 0 << QByteArray();
        QTest::newRow("hex nine digits") << QByteArray("$123456789") << 0 << 106 << QByteArray();
        QTest::newRow("dollar alone") << QByteArray("$ 5") << 0 << 106 << QByteArray(" 5");
        QTest::newRow("hex bad digit") << QByteArray("$FG") << 0 << 106 << QByteArray();
        QTest::newRow("signed hex") << QByteArray("-$FF") << 0 << 106 << QByteArray();
        QTest::newRow("int32 minimum") << QByteArray("-2147483648") << INT_MIN << 0 << QByteArray();
        QTest::newRow("int32 maximum") << QByteArray("2147483647") << INT_MAX << 0 << QByteArray();
        QTest::newRow("one above maximum") << QByteArray("2147483648") << 0 << 106 << QByteArray();
        QTest::newRow("one below minimum") << QByteArray("-2147483649") << 0 << 106 << QByteArray();
        QTest::newRow("twenty digits")
            << QByteArray("99999999999999999999") << 0 << 106 << QByteArray();
        QTest::newRow("decimal point") << QByteArray("1.5") << 0 << 106 << QByteArray();
        QTest::newRow("decimal comma") << QByteArray("7,8") << 0 << 106 << QByteArray();
        QTest::newRow("letters after digits")
            << QByteArray("12abc def") << 0 << 106 << QByteArray(" def");
        QTest::newRow("lone minus") << QByteArray("-") << 0 << 106 << QByteArray();
        QTest::newRow("lone plus") << QByteArray("+\r\n") << 0 << 106 << QByteArray();
        QTest::newRow("two signs") << QByteArray("--5") << 0 << 106 << QByteArray();
        QTest::newRow("plus sign") << QByteArray("+5") << 5 << 0 << QByteArray();
        QTest::newRow("minus zero") << QByteArray("-0") << 0 << 0 << QByteArray();
        QTest::newRow("leading zeros") << QByteArray("007") << 7 << 0 << QByteArray();
        QTest::newRow("Cyrillic word")
            << QByteArray("\xd1\xe5\xec\xfc") << 0 << 106 << QByteArray();
        QTest::newRow("LF after the number stays")
            << QByteArray("12\nx") << 12 << 0 << QByteArray("\nx");
        QTest::newRow("Ctrl+Z ends the token") << QByteArray("12\x1a"
                                                             "34")
                                               << 12 << 0 << QByteArray();
        QTest::newRow("empty file") << QByteArray() << 0 << 0 << QByteArray();
        QTest::newRow("only blanks") << QByteArray("  \r\n\t ") << 0 << 0 << QByteArray();
        QTest::newRow("Ctrl+Z before the number") << QByteArray(" \x1a"
                                                                "12")
                                                  << 0 << 0 << QByteArray();
        // 33 characters: the first 32 make the token, the 33rd stays for the next read.
        QTest::newRow("33-character token")
            << QByteArray(31, '0') + "12" << 1 << 0 << QByteArray("2");
        QTest::newRow("33-character overflow")
            << QByteArray(33, '9') << 0 << 106 << QByteArray("9");
    }

    void readNumber()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, value);
        QFETCH(int, code);
        QFETCH(QByteArray, rest);

        TextFile file(FileWith(input));
        file.OpenForReading();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(file.ReadNumber(), value);
        QCOMPARE(TakeIoCode(), code);
        QCOMPARE(QByteArray::fromStdString(file.ReadText()), rest);
        QCOMPARE(TakeIoCode(), 0);
    }

    void twoNumbersAndSkipLine_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("on one line") << QByteArray("12 345\r\nnext");
        QTest::newRow("on two lines") << QByteArray("12\r\n345\r\nnext");
        QTest::newRow("empty line between") << QByteArray("12\r\n\r\n  345 and a word\r\nnext");
        QTest::newRow("CR line ends") << QByteArray("12\r345\rnext");
    }

    void twoNumbersAndSkipLine()
    {
        QFETCH(QByteArray, input);
        TextFile file(FileWith(input));
        file.OpenForReading();
        QCOMPARE(file.ReadNumber(), 12);
        QCOMPARE(file.ReadNumber(), 345);
        file.SkipLine();
        QCOMPARE(file.ReadText(), std::string("next"));
        QCOMPARE(TakeIoCode(), 0);
    }

    // The statement check comes after the whole statement: the bad number's line is skipped
    // already when the error is raised.
    void badNumberRaisesAfterTheLineIsSkipped()
    {
        TextFile file(FileWith("1.5 rest of line\r\nnext\r\n"));
        file.OpenForReading();
        const std::int32_t value = file.ReadNumber();
        file.SkipLine();
        QCOMPARE(value, 0);
        try {
            CheckIo();
            QFAIL("no error raised");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), 106);
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Invalid numeric input"));
        }
        QCOMPARE(PendingIoCode(), 0);
        QCOMPARE(file.ReadText(), std::string("next"));
    }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<QByteArray>>("lines");

        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
        QTest::newRow("CR alone") << QByteArray("a\rb\r") << QList<QByteArray>{"a", "b"};
        QTest::newRow("LF alone is an ordinary character")
            << QByteArray("a\nb\nc\n") << QList<QByteArray>{"a\nb\nc\n"};
        QTest::newRow("LF before CR LF") << QByteArray("a\n\r\nb") << QList<QByteArray>{"a\n", "b"};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QList<QByteArray>{"a", "", "b"};
        QTest::newRow("LF CR is LF then a line end")
            << QByteArray("a\n\rb") << QList<QByteArray>{"a\n", "b"};
        QTest::newRow("empty line") << QByteArray("a\r\n\r\nb") << QList<QByteArray>{"a", "", "b"};
        QTest::newRow("no line end at the end")
            << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
        QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
        QTest::newRow("Ctrl+Z in the middle of a line") << QByteArray("abc\x1a"
                                                                      "def\r\nghi\r\n")
                                                        << QList<QByteArray>{"abc"};
        QTest::newRow("Ctrl+Z on a line of its own")
            << QByteArray("a\r\n\x1a\r\nb\r\n") << QList<QByteArray>{"a"};
        QTest::newRow("Ctrl+Z right after CR")
            << QByteArray("a\r\x1a\nb") << QList<QByteArray>{"a"};
        QTest::newRow("Ctrl+Z first") << QByteArray("\x1a"
                                                    "a\r\n")
                                      << QList<QByteArray>{};
        QTest::newRow("CP1251 bytes unchanged")
            << QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2\r\n\xa8\xb8\xb9")
            << QList<QByteArray>{"\xcf\xf0\xe8\xe2\xe5\xf2", "\xa8\xb8\xb9"};
        QTest::newRow("zero byte is a character")
            << QByteArray("a\0b\r\n", 5) << QList<QByteArray>{QByteArray("a\0b", 3)};
        QTest::newRow("key bytes above 127")
            << QByteArray("g\x9b\xff\r\n") << QList<QByteArray>{"g\x9b\xff"};
        // Line ends and the mark across the 128-byte buffer boundary.
        for (const int length : {126, 127, 128, 129, 255, 256}) {
            const QByteArray line(length, 'x');
            QTest::addRow("CR LF after %d bytes", length) << line + "\r\nnext\r\n"
                                                          << QList<QByteArray>{line, "next"};
            QTest::addRow("lone CR after %d bytes", length)
                << line + "\rnext" << QList<QByteArray>{line, "next"};
            QTest::addRow("Ctrl+Z after %d bytes", length) << line + "\x1a"
                                                                     "next"
                                                           << QList<QByteArray>{line};
        }
        QTest::newRow("300-byte line")
            << QByteArray(300, 'y') + "\r\nz" << QList<QByteArray>{QByteArray(300, 'y'), "z"};
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
        QCOMPARE(TakeIoCode(), 0);
    }

    // The end stays the end: every later read gives it again, without an error.
    void readingAtTheEndAgainAndAgain()
    {
        const std::string path = FileWith("a\r\nb\x1a"
                                          "after the mark\r\n");
        TextFile file(path);
        file.OpenForReading();
        QCOMPARE(file.ReadText(), std::string("a"));
        file.SkipLine();
        QCOMPARE(file.ReadText(), std::string("b"));
        for (int round = 0; round < 5; ++round) {
            file.SkipLine();
            QCOMPARE(file.ReadText(), std::string());
            QCOMPARE(file.ReadNumber(), 0);
            char buffer[8] = "garbage";
            QCOMPARE(file.ReadTextInto(buffer, 7), std::size_t{0});
            QCOMPARE(buffer[0], '\0');
            QVERIFY(file.AtEndOfText());
        }
        QCOMPARE(TakeIoCode(), 0);
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
    }

    // The physical end is a mark too: bytes added by someone else later are not read.
    void physicalEndIsNotReadAgain()
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
        QCOMPARE(file.ReadText(), std::string());
        QVERIFY(file.AtEndOfText());
    }

    void readTextInto_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("nextLine");

        QTest::newRow("300 characters into 255")
            << QByteArray(255, 'a') + QByteArray(45, 'b') + "\r\nnext" << 255
            << QByteArray(255, 'a') << QByteArray("next");
        QTest::newRow("exactly 255") << QByteArray(255, 'a') + "\r\nnext" << 255
                                     << QByteArray(255, 'a') << QByteArray("next");
        QTest::newRow("short line")
            << QByteArray("abc\r\nnext") << 255 << QByteArray("abc") << QByteArray("next");
        QTest::newRow("empty line")
            << QByteArray("\r\nnext") << 255 << QByteArray() << QByteArray("next");
        QTest::newRow("capacity 0")
            << QByteArray("abc\r\nnext") << 0 << QByteArray() << QByteArray("next");
        QTest::newRow("stops at Ctrl+Z") << QByteArray("ab\x1a"
                                                       "cd")
                                         << 255 << QByteArray("ab") << QByteArray();
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
        QCOMPARE(count, static_cast<std::size_t>(expected.size()));
        QCOMPARE(QByteArray(buffer.constData(), static_cast<qsizetype>(count)), expected);
        QCOMPARE(buffer.at(static_cast<qsizetype>(count)), '\0');
        QCOMPARE(buffer.mid(capacity + 1), QByteArray(16, '\x55'));
        file.SkipLine();
        QCOMPARE(QByteArray::fromStdString(file.ReadText()), nextLine);
        QCOMPARE(TakeIoCode(), 0);
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

    void writeNumber_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("eleven characters") << -2147483643 << QByteArray("-2147483643");
        QTest::newRow("zero") << 0 << QByteArray("0");
        QTest::newRow("minimum") << INT_MIN << QByteArray("-2147483648");
        QTest::newRow("maximum") << INT_MAX << QByteArray("2147483647");
        QTest::newRow("system colour") << -2147483633 << QByteArray("-2147483633");
        QTest::newRow("no plus sign") << 255 << QByteArray("255");
    }

    void writeNumber()
    {
        QFETCH(int, value);
        QFETCH(QByteArray, text);
        const std::string path = FileWith("old contents");
        TextFile file(path);
        file.OpenForRewriting();
        file.WriteNumber(value);
        file.EndLine();
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(Contents(path), text + "\r\n");
    }

    // Every byte but the line end and the mark comes back as written.
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
        writer.EndLine();
        writer.WriteText("second");
        writer.EndLine();
        writer.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(Contents(path), line + "\r\nsecond\r\n");

        TextFile reader(path);
        reader.OpenForReading();
        QCOMPARE(QByteArray::fromStdString(reader.ReadText()), line);
        reader.SkipLine();
        QCOMPARE(reader.ReadText(), std::string("second"));
    }

    // Bytes reach the file when the 128-byte buffer is full or on closing, not per line.
    void writesGoOutOnlyWhenTheBufferIsFull()
    {
        const std::string path = FileWith({});
        TextFile file(path);
        file.OpenForRewriting();
        file.WriteText(std::string(100, 'a'));
        file.EndLine();
        QCOMPARE(Contents(path).size(), 0);
        file.WriteText(std::string(27, 'b'));
        QCOMPARE(Contents(path).size(), 128);
        file.EndLine();
        QCOMPARE(Contents(path).size(), 128);
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(Contents(path), QByteArray(100, 'a') + "\r\n" + QByteArray(26, 'b') + "b\r\n");
    }

    void rewritingEmptiesAndCreates()
    {
        const std::string existing = FileWith("a long old text that must go\r\n");
        TextFile file(existing);
        file.OpenForRewriting();
        file.WriteText("new");
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(Contents(existing), QByteArray("new"));

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
        QTest::newRow("mark at the end")
            << QByteArray("old\r\n\x1a") << QByteArray("old\r\nnew\r\n");
        QTest::newRow("mark with bytes after it") << QByteArray("old\x1a"
                                                                "gone\r\n")
                                                  << QByteArray("oldnew\r\n");
        QTest::newRow("the first of two marks") << QByteArray("a\x1a"
                                                              "b\x1a"
                                                              "c")
                                                << QByteArray("anew\r\n");
        QTest::newRow("mark before the last 128 bytes stays")
            << QByteArray(10, 'x') + "\x1a" + QByteArray(189, 'y')
            << QByteArray(10, 'x') + "\x1a" + QByteArray(189, 'y') + "new\r\n";
        QTest::newRow("mark at the first of the last 128 bytes")
            << QByteArray(72, 'x') + "\x1a" + QByteArray(127, 'y')
            << QByteArray(72, 'x') + "new\r\n";
        QTest::newRow("128-byte file with a mark first")
            << "\x1a" + QByteArray(127, 'y') << QByteArray("new\r\n");
        QTest::newRow("129-byte file with a mark first")
            << "\x1a" + QByteArray(128, 'y') << "\x1a" + QByteArray(128, 'y') + "new\r\n";
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

    void appendingToAMissingFileCreatesNothing()
    {
        const std::string path = m_directory.filePath("missing-log.txt").toStdString();
        TextFile file(path);
        file.OpenForAppending();
        QCOMPARE(TakeIoCode(), 2);
        QCOMPARE(file.CurrentMode(), TextFile::Mode::Closed);
        QVERIFY(!EntryExists(path));
    }

    void appendingToAnEmptyName()
    {
        TextFile file{std::string()};
        file.OpenForAppending();
        QCOMPARE(TakeIoCode(), 105);
        QCOMPARE(file.CurrentMode(), TextFile::Mode::Closed);
        QCOMPARE(IoErrorMessage(105), QStringLiteral("I/O error 105"));
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Opening>("opening");
        QTest::addColumn<int>("code");

        QTest::newRow("missing file, reading") << "missing.txt" << Opening::Reading << 2;
        QTest::newRow("missing file, appending") << "missing.txt" << Opening::Appending << 2;
        QTest::newRow("missing directory, reading") << "nodir/x.txt" << Opening::Reading << 3;
        QTest::newRow("missing directory, rewriting") << "nodir/x.txt" << Opening::Rewriting << 3;
        QTest::newRow("missing directory, appending") << "nodir/x.txt" << Opening::Appending << 3;
        QTest::newRow("file used as a directory") << "plain/x.txt" << Opening::Reading << 3;
        QTest::newRow("directory, reading") << "folder" << Opening::Reading << 5;
        QTest::newRow("directory, rewriting") << "folder" << Opening::Rewriting << 5;
        QTest::newRow("directory, appending") << "folder" << Opening::Appending << 5;
    }

    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(Opening, opening);
        QFETCH(int, code);

        QTemporaryDir place;
        QVERIFY(QDir(place.path()).mkdir("folder"));
        QFile plain(place.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();

        TextFile file(place.filePath(name).toStdString());
        Open(file, opening);
        QCOMPARE(TakeIoCode(), code);
        QCOMPARE(file.CurrentMode(), TextFile::Mode::Closed);
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 103);
        QVERIFY(!EntryExists(place.filePath("nodir").toStdString()));
    }

    void sharing_data()
    {
        QTest::addColumn<Opening>("first");
        QTest::addColumn<Opening>("second");
        QTest::addColumn<int>("code");

        QTest::newRow("two readers") << Opening::Reading << Opening::Reading << 0;
        QTest::newRow("reader, then rewriter") << Opening::Reading << Opening::Rewriting << 32;
        QTest::newRow("reader, then appender") << Opening::Reading << Opening::Appending << 32;
        QTest::newRow("rewriter, then reader") << Opening::Rewriting << Opening::Reading << 32;
        QTest::newRow("rewriter, then rewriter") << Opening::Rewriting << Opening::Rewriting << 32;
        QTest::newRow("rewriter, then appender") << Opening::Rewriting << Opening::Appending << 32;
        QTest::newRow("appender, then reader") << Opening::Appending << Opening::Reading << 32;
        QTest::newRow("appender, then appender") << Opening::Appending << Opening::Appending << 32;
    }

    void sharing()
    {
        QFETCH(Opening, first);
        QFETCH(Opening, second);
        QFETCH(int, code);

        const QByteArray original("kept\r\n\x1a");
        const std::string path = FileWith(original);
        TextFile holder(path);
        Open(holder, first);
        QCOMPARE(TakeIoCode(), 0);

        TextFile other(path);
        Open(other, second);
        QCOMPARE(TakeIoCode(), code);
        if (code != 0) {
            QCOMPARE(other.CurrentMode(), TextFile::Mode::Closed);
            if (first == Opening::Reading) {
                // A refused writer leaves the file as it was: no emptying, no cut at the mark.
                QCOMPARE(Contents(path), original);
            }
            holder.CloseFile();
            QCOMPARE(TakeIoCode(), 0);
            Open(other, second);
            QCOMPARE(TakeIoCode(), 0);
        }
        other.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
    }

    // An abandoned statement leaves its file open and so refuses writers; once the object goes
    // away the file is free again.
    void fileHeldUntilItsObjectGoesAway()
    {
        const std::string path = FileWith("settings\r\n");
        {
            TextFile reading(path);
            reading.OpenForReading();
            TextFile writer(path);
            writer.OpenForRewriting();
            QCOMPARE(TakeIoCode(), 32);
            QCOMPARE(IoErrorMessage(32), QStringLiteral("I/O error 32"));
        }
        TextFile writer(path);
        writer.OpenForRewriting();
        writer.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
    }

    void reopeningClosesFirst()
    {
        const std::string path = FileWith({});
        TextFile file(path);
        file.OpenForRewriting();
        file.WriteText("buffered");
        file.OpenForReading();
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(file.ReadText(), std::string("buffered"));
        file.CloseFile();
        QCOMPARE(TakeIoCode(), 0);
    }

    void wrongMode_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("code");

        QTest::newRow("read text, closed") << "closed: ReadText" << 104;
        QTest::newRow("read number, closed") << "closed: ReadNumber" << 104;
        QTest::newRow("skip line, closed") << "closed: SkipLine" << 104;
        QTest::newRow("write, closed") << "closed: WriteText" << 105;
        QTest::newRow("end line, closed") << "closed: EndLine" << 105;
        QTest::newRow("close, closed") << "closed: CloseFile" << 103;
        QTest::newRow("write while reading") << "reading: WriteNumber" << 105;
        QTest::newRow("read while writing") << "writing: ReadText" << 104;
        QTest::newRow("number while writing") << "writing: ReadNumber" << 104;
        QTest::newRow("close twice") << "reading: CloseFile, CloseFile" << 103;
    }

    void wrongMode()
    {
        QFETCH(QString, operation);
        QFETCH(int, code);

        TextFile file(FileWith("12 text\r\n"));
        if (operation.startsWith("reading")) {
            file.OpenForReading();
        } else if (operation.startsWith("writing")) {
            file.OpenForRewriting();
        }
        QCOMPARE(TakeIoCode(), 0);
        const QStringList steps = operation.section(": ", 1).split(", ");
        for (const QString &step : steps) {
            if (step == "ReadText") {
                QCOMPARE(file.ReadText(), std::string());
            } else if (step == "ReadNumber") {
                QCOMPARE(file.ReadNumber(), 0);
            } else if (step == "SkipLine") {
                file.SkipLine();
            } else if (step == "WriteText") {
                file.WriteText("x");
            } else if (step == "WriteNumber") {
                file.WriteNumber(1);
            } else if (step == "EndLine") {
                file.EndLine();
            } else if (step == "CloseFile") {
                file.CloseFile();
            }
        }
        QCOMPARE(TakeIoCode(), code);
    }

    void laterFailureReplacesEarlier()
    {
        TextFile file("never-opened");
        file.CloseFile();
        file.WriteText("x");
        QCOMPARE(PendingIoCode(), 105);
        QVERIFY_THROWS_EXCEPTION(EInOutError, CheckIo());
        QCOMPARE(PendingIoCode(), 0);
        CheckIo();
    }

    void diskFull()
    {
        if (!QFileInfo::exists("/dev/full")) {
            QSKIP("no /dev/full here");
        }
        TextFile small("/dev/full");
        small.OpenForRewriting();
        QCOMPARE(TakeIoCode(), 0);
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
        const QString name =
            prefix + QString(qsizetype(TextFile::MaxNameLength) - prefix.size(), QLatin1Char('n'));
        QCOMPARE(name.size(), qsizetype(TextFile::MaxNameLength));
        const std::string path = name.toStdString();
        QFile fixture(name);
        QVERIFY(fixture.open(QIODevice::WriteOnly));
        fixture.write("cut name\r\n");
        fixture.close();

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
        QFile inSecond(second.filePath("same.txt"));
        QVERIFY(inSecond.open(QIODevice::WriteOnly));
        inSecond.write("second\r\n");
        inSecond.close();
        const QString previous = QDir::currentPath();

        QDir::setCurrent(first.path());
        TextFile file("same.txt");
        QDir::setCurrent(second.path());
        file.OpenForReading();
        QDir::setCurrent(previous);
        QCOMPARE(TakeIoCode(), 0);
        QCOMPARE(file.ReadText(), std::string("second"));
    }

    void entryExists_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("file") << "plain" << true;
        QTest::newRow("directory") << "folder" << true;
        QTest::newRow("dangling link") << "dangling" << true;
        QTest::newRow("read-only file") << "readonly" << true;
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("in a missing directory") << "nodir/plain" << false;
        QTest::newRow("empty name") << "" << false;
    }

    void entryExists()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);

        QTemporaryDir place;
        QVERIFY(QDir(place.path()).mkdir("folder"));
        for (const char *file : {"plain", "readonly"}) {
            QFile fixture(place.filePath(file));
            QVERIFY(fixture.open(QIODevice::WriteOnly));
        }
        QFile::setPermissions(place.filePath("readonly"), QFile::ReadOwner);
        QVERIFY(QFile::link(place.filePath("gone"), place.filePath("dangling")));

        const std::string path =
            name.isEmpty() ? std::string() : place.filePath(name).toStdString();
        QCOMPARE(EntryExists(path), exists);
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
