#include "avi/aviwriter.h"
#include "platform/animationcontrol.h"
#include "support/startdirectory.h"

#include <QtTest>

namespace {

// Six 4 x 2 frames, 1.5 ms apart.
QByteArray SixFrameClip()
{
    QImage frame(4, 2, QImage::Format_RGB32);
    frame.fill(Qt::red);
    return WriteAvi(std::vector<QImage>(6, frame),
                    {.kind = AviFrameKind::Rgb24, .microSecondsPerFrame = 1500});
}

} // namespace

class TestAnimationControl : public QObject {
    Q_OBJECT

private:
    const StartDirectoryFixture m_start{QStringList()};

private slots:
    void initTestCase() { m_start.WriteFile(QStringLiteral("clip.avi"), SixFrameClip()); }

    void openFailureKeepsTheClip_data()
    {
        QTest::addColumn<QByteArray>("contents"); // of bad.avi; no file when null

        QTest::newRow("missing file") << QByteArray();
        QTest::newRow("text file") << QByteArray("Ортус 2000\r\n");
        QTest::newRow("cut off") << SixFrameClip().left(300);
        QTest::newRow("a folder") << QByteArray("<folder>");
    }

    void openFailureKeepsTheClip()
    {
        QFETCH(QByteArray, contents);
        QFile::remove(QStringLiteral("bad.avi"));
        if (contents == "<folder>") {
            QVERIFY(QDir().mkdir(QStringLiteral("bad.avi")));
        } else if (!contents.isNull()) {
            m_start.WriteFile(QStringLiteral("bad.avi"), contents);
        }
        AnimationControl control;
        QVERIFY_THROWS_EXCEPTION(AviOpenError, control.Open(QStringLiteral("bad.avi")));
        QCOMPARE(control.FrameCount(), 0);
        control.Open(QStringLiteral("clip.avi"));
        control.Play(1, 6);
        control.AdvanceFrame();
        QVERIFY_THROWS_EXCEPTION(AviOpenError, control.Open(QStringLiteral("bad.avi")));
        QCOMPARE(control.CurrentFrame(), 2);
        QVERIFY(control.IsPlaying());
    }

    void playRange_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("frames");

        QTest::newRow("whole clip") << 1 << 6 << QList<int>{1, 2, 3, 4, 5, 6, 1, 2};
        QTest::newRow("middle") << 3 << 5 << QList<int>{3, 4, 5, 3, 4};
        QTest::newRow("one frame") << 4 << 4 << QList<int>{4, 4, 4};
        QTest::newRow("past the clip's end") << 5 << 60 << QList<int>{5, 6, 5, 6};
        QTest::newRow("before the first frame") << 0 << 2 << QList<int>{1, 2, 1};
        QTest::newRow("reversed") << 5 << 2 << QList<int>{2, 2};
    }

    void playRange()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, frames);

        AnimationControl control;
        control.Open(QStringLiteral("clip.avi"));
        control.Play(from, to);
        QList<int> shown{control.CurrentFrame()};
        while (shown.size() < frames.size()) {
            control.AdvanceFrame();
            shown.append(control.CurrentFrame());
        }
        QCOMPARE(shown, frames);
    }

    // The frames go by at the file's rate, and only while they can be seen: a hidden intro costs
    // no time. It is dismissed by hiding the control itself, which its window's showings must not
    // wake.
    void timerRunsOnlyWhileVisible()
    {
        QWidget window;
        auto *control = new AnimationControl(&window);
        control->Open(QStringLiteral("clip.avi"));
        QCOMPARE(control->FrameInterval(), 2);
        control->Play(1, 6);
        QVERIFY(!control->IsTimerActive());
        window.show();
        QTRY_VERIFY(control->CurrentFrame() != 1);
        window.hide();
        QVERIFY(!control->IsTimerActive() && control->IsPlaying());
        control->hide();
        window.show();
        QVERIFY(!control->IsTimerActive());
    }
};

QTEST_MAIN(TestAnimationControl)
#include "tst_animationcontrol.moc"
