#include "runtime/cp1251.h"
#include "runtime/tcolor.h"

#include <QStringDecoder>
#include <QtTest>

// What files store as bytes, turned into Qt values and back: code page 1251 texts and paths,
// colours.
class TestConversions : public QObject {
    Q_OBJECT

private slots:
    // Every byte as Qt's own windows-1251 decoder reads it, and back unchanged, so texts that only
    // pass through widgets lose nothing; 0x98, which Windows leaves unassigned, keeps its value.
    void everyByte()
    {
        QStringDecoder decoder("windows-1251");
        QVERIFY2(decoder.isValid(), "no windows-1251 decoder");
        for (int byte = 0; byte < 256; ++byte) {
            const std::string in(1, static_cast<char>(byte));
            const QString text = byte == 0x98 ? QString(QChar(0x98)) : decoder.decode(in);
            QCOMPARE(FromCp1251(in), text);
            QCOMPARE(ToCp1251(text), in);
        }
    }

    void unmappable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("Russian sentence") << QStringLiteral("Ёжик, №5 — «да»")
                                          << QByteArray("\xa8\xe6\xe8\xea, \xb9"
                                                        "5 \x97 \xab\xe4\xe0\xbb");
        QTest::newRow("German umlaut") << QStringLiteral("Grüße") << QByteArray("Gr??e");
        QTest::newRow("character beyond 16 bits is one ?")
            << QStringLiteral("a😀b") << QByteArray("a?b");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    }

    void unmappable()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(QByteArray::fromStdString(ToCp1251(text)), bytes);
    }

    // Stored path bytes and the name they open, "existing" being the entries on disk; roundTrip:
    // that name is stored as these bytes again.
    void paths_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("roundTrip");

        const QByteArray utf8 = "\xD0\xA4.bmp"; // "Ф.bmp"; read as code page 1251, "Р¤.bmp"
        QTest::newRow("code page 1251") << QByteArray("/\xC6\xF3\xF0\xED\xE0\xEB.txt")
                                        << QStringList() << "/Журнал.txt" << true;
        QTest::newRow("UTF-8, no file: as earlier versions stored it")
            << utf8 << QStringList() << "Ф.bmp" << false;
        QTest::newRow("UTF-8 bytes naming only a code page 1251 file")
            << utf8 << QStringList{"Р¤.bmp"} << "Р¤.bmp" << true;
        QTest::newRow("both readings exist: UTF-8")
            << utf8 << QStringList{"Р¤.bmp", "Ф.bmp"} << "Ф.bmp" << false;
        QTest::newRow("a character code page 1251 lacks: UTF-8")
            << QByteArray("\xC3\xBC.txt") << QStringList() << "ü.txt" << true;
        QTest::newRow("UTF-8 cut inside a character")
            << QByteArray("\xD0") << QStringList() << "Р" << true;
    }

    void paths()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, existing);
        QFETCH(QString, path);
        QFETCH(bool, roundTrip);

        const auto exists = [&](const std::string &name) {
            return existing.contains(QString::fromStdString(name));
        };
        QCOMPARE(QString::fromStdString(FileSystemPath(stored.toStdString(), exists)), path);
        QCOMPARE(QByteArray::fromStdString(StoredPath(path)) == stored, roundTrip);
    }

    // A relative stored path is looked up in the directory given, never in the current one.
    void pathsInDirectory_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("inDirectory"); // an entry of the directory
        QTest::addColumn<QString>("inCurrent");   // an entry of the current directory
        QTest::addColumn<QString>("path");        // "<dir>" standing for the directory

        const QByteArray utf8 = "\xD0\xA4.bmp";
        QTest::newRow("code page 1251 name in the directory") << utf8 << "Р¤.bmp"
                                                              << ""
                                                              << "<dir>/Р¤.bmp";
        QTest::newRow("a name of the current directory does not count") << utf8 << ""
                                                                        << "Р¤.bmp"
                                                                        << "<dir>/Ф.bmp";
        QTest::newRow("absolute path") << QByteArray("/\xD4.bmp") << ""
                                       << ""
                                       << "/Ф.bmp";
        QTest::newRow("no path") << QByteArray() << ""
                                 << ""
                                 << "";
    }

    void pathsInDirectory()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, inDirectory);
        QFETCH(QString, inCurrent);
        QFETCH(QString, path);

        const QTemporaryDir directory;
        const QTemporaryDir current;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(current.path()));
        const auto create = [](const QTemporaryDir &folder, const QString &name) {
            QFile file(folder.filePath(name));
            return name.isEmpty() || file.open(QIODevice::WriteOnly);
        };
        QVERIFY(create(directory, inDirectory) && create(current, inCurrent));
        const std::string resolved = FileSystemPathIn(
            QFile::encodeName(directory.path()).toStdString(), stored.toStdString());
        QDir::setCurrent(previous);
        QCOMPARE(QFile::decodeName(QByteArray::fromStdString(resolved)),
                 path.replace(QStringLiteral("<dir>"), directory.path()));
    }

    // Stored colours hold red in the low byte.
    void colours() { QCOMPARE(ToQColor(0x563412), QColor(0x12, 0x34, 0x56)); }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
