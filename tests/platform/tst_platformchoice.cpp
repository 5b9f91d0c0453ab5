#include "platform/platformchoice.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Which Qt platform the quiz takes for the displays a session offers.
class PlatformChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<QByteArray>("userPlatform");
        QTest::addColumn<QByteArray>("chosen");

        QTest::newRow("X11 session") << ":0"_ba
                                     << ""_ba
                                     << ""_ba
                                     << "xcb"_ba;
        QTest::newRow("Wayland session with Xwayland") << ":0"_ba
                                                       << "wayland-0"_ba
                                                       << ""_ba
                                                       << "xcb"_ba;
        QTest::newRow("Wayland session without Xwayland") << ""_ba
                                                          << "wayland-0"_ba
                                                          << ""_ba
                                                          << "wayland"_ba;
        QTest::newRow("no display at all") << ""_ba
                                           << ""_ba
                                           << ""_ba
                                           << "xcb"_ba;
        QTest::newRow("user asks for Wayland where Xwayland is") << ":0"_ba
                                                                 << "wayland-0"_ba
                                                                 << "wayland"_ba
                                                                 << "wayland"_ba;
        QTest::newRow("user asks for X on Wayland") << ""_ba
                                                    << "wayland-0"_ba
                                                    << "xcb"_ba
                                                    << "xcb"_ba;
        QTest::newRow("user's fallback list kept") << ":0"_ba
                                                   << "wayland-0"_ba
                                                   << "wayland;xcb"_ba
                                                   << "wayland;xcb"_ba;
        QTest::newRow("user asks for offscreen") << ""_ba
                                                 << ""_ba
                                                 << "offscreen"_ba
                                                 << "offscreen"_ba;
        QTest::newRow("display with screen number") << "localhost:10.0"_ba
                                                    << "wayland-1"_ba
                                                    << ""_ba
                                                    << "xcb"_ba;
    }

    void choice()
    {
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(QByteArray, userPlatform);
        QFETCH(QByteArray, chosen);
        QCOMPARE(ChooseQtPlatform({display, waylandDisplay, userPlatform}), chosen);
    }

    // The choice reaches Qt through the environment, and an unset or empty platform is the
    // session's to decide.
    void environment_data()
    {
        QTest::addColumn<QByteArray>("userPlatform");
        QTest::addColumn<QByteArray>("chosen");

        QTest::newRow("unset") << QByteArray() << "xcb"_ba;
        QTest::newRow("empty counts as unset") << ""_ba
                                               << "xcb"_ba;
        QTest::newRow("set by the user") << "minimal"_ba
                                         << "minimal"_ba;
    }

    void environment()
    {
        QFETCH(QByteArray, userPlatform);
        QFETCH(QByteArray, chosen);
        const QByteArray saved[] = {qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"),
                                    qgetenv("QT_QPA_PLATFORM")};
        qputenv("DISPLAY", ":5");
        qputenv("WAYLAND_DISPLAY", "wayland-5");
        if (userPlatform.isNull()) {
            qunsetenv("QT_QPA_PLATFORM");
        } else {
            qputenv("QT_QPA_PLATFORM", userPlatform);
        }
        UseQtPlatformOfSession();
        const QByteArray taken = qgetenv("QT_QPA_PLATFORM");
        qputenv("DISPLAY", saved[0]);
        qputenv("WAYLAND_DISPLAY", saved[1]);
        qputenv("QT_QPA_PLATFORM", saved[2]);
        QCOMPARE(taken, chosen);
    }
};

QTEST_GUILESS_MAIN(PlatformChoiceTest)
#include "tst_platformchoice.moc"
