#include "runtime/cp1251.h"

#include <QtTest>

#include <iconv.h>

class TestCp1251 : public QObject {
    Q_OBJECT

private slots:
    void knownPoints_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("codePoint");

        QTest::newRow("0x41 Latin A") << 0x41 << 0x0041;
        QTest::newRow("0x88 euro") << 0x88 << 0x20AC;
        QTest::newRow("0x98 unassigned keeps its value") << 0x98 << 0x0098;
        QTest::newRow("0xA8 Ё") << 0xA8 << 0x0401;
        QTest::newRow("0xFF я") << 0xFF << 0x044F;
    }

    void knownPoints()
    {
        QFETCH(int, byte);
        QFETCH(int, codePoint);
        const std::string bytes(1, static_cast<char>(byte));
        const QString text(QChar(static_cast<char16_t>(codePoint)));
        QCOMPARE(FromCp1251(bytes), text);
        QCOMPARE(ToCp1251(text), bytes);
    }

    // Every byte comes back unchanged, so texts that only pass through widgets lose nothing.
    void everyByteRoundTrips()
    {
        std::string all;
        for (int byte = 0; byte < 256; ++byte) {
            all.push_back(static_cast<char>(byte));
        }
        const QString text = FromCp1251(all);
        QCOMPARE(text.size(), qsizetype(256));
        QCOMPARE(ToCp1251(text), all);
    }

    // The table against the C library's own converter, where it has one.
    void agreesWithIconv()
    {
        iconv_t converter = ::iconv_open("UTF-8", "CP1251");
        if (converter == reinterpret_cast<iconv_t>(-1)) {
            QSKIP("the C library has no CP1251 converter");
        }
        for (int byte = 0x80; byte < 0x100; ++byte) {
            if (byte == 0x98) {
                continue;
            }
            char in = static_cast<char>(byte);
            char out[8] = {};
            char *inPointer = &in;
            char *outPointer = out;
            std::size_t inLeft = 1;
            std::size_t outLeft = sizeof out;
            QVERIFY(::iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) !=
                    static_cast<std::size_t>(-1));
            QCOMPARE(FromCp1251(std::string(1, in)),
                     QString::fromUtf8(out, static_cast<qsizetype>(outPointer - out)));
        }
        ::iconv_close(converter);
    }

    void unmappable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("Russian sentence") << QStringLiteral("Ёжик, №5 — «да»")
                                          << QByteArray("\xa8\xe6\xe8\xea, \xb9"
                                                        "5 \x97 \xab\xe4\xe0\xbb");
        QTest::newRow("German umlaut") << QStringLiteral("Grüße") << QByteArray("Gr??e");
        QTest::newRow("superscript two") << QStringLiteral("м²") << QByteArray("\xec?");
        QTest::newRow("multiplication sign") << QStringLiteral("7×8") << QByteArray("7?8");
        QTest::newRow("character beyond 16 bits is one ?")
            << QStringLiteral("a😀b") << QByteArray("a?b");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
        QTest::newRow("C1 control other than 0x98") << QString(QChar(0x0085)) << QByteArray("?");
        QTest::newRow("empty") << QString() << QByteArray();
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
};

QTEST_GUILESS_MAIN(TestCp1251)
#include "tst_cp1251.moc"
