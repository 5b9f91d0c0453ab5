#include "avi/aviwriter.h"
#include "platform/animationcontrol.h"
#include "support/startdirectory.h"

#include <QtTest>

#include <memory>

namespace {

const QList<QRgb> FrameColours = {qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(0, 0, 255),
                                  qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(255, 0, 255)};

// Six 4 x 2 frames, each one solid colour of FrameColours.
QByteArray SixFrameClip(std::uint32_t microSecondsPerFrame = 40000)
{
    std::vector<QImage> frames;
    for (const QRgb colour : FrameColours) {
        QImage frame(4, 2, QImage::Format_RGB32);
        frame.fill(colour);
        frames.push_back(frame);
    }
    return WriteAvi(frames,
                    {.kind = AviFrameKind::Rgb24, .microSecondsPerFrame = microSecondsPerFrame});
}

} // namespace

// Each test runs in a start directory holding clip.avi, six frames.
class TestAnimationControl : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(QStringList());
        m_start->WriteFile(QStringLiteral("clip.avi"), SixFrameClip());
    }

    void cleanup() { m_start.reset(); }

    void open_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("frames");

        QTest::newRow("bare name, from the current directory") << "clip.avi" << QByteArray() << 6;
        QTest::newRow("missing file") << "Ortus.avi" << QByteArray() << 0;
        QTest::newRow("empty name") << "" << QByteArray() << 0;
        QTest::newRow("folder") << "folder" << QByteArray() << 0;
        QTest::newRow("empty file") << "Ortus.avi" << QByteArray("") << 0;
        QTest::newRow("text file") << "Ortus.avi" << QByteArray("Ортус 2000\r\n") << 0;
        QTest::newRow("cut off") << "Ortus.avi" << SixFrameClip().left(300) << 0;
        QTest::newRow("a picture, not a movie")
            << "Ortus.avi" << QByteArray("BM\x36\0\0\0", 6) << 0;
    }

    // A file that cannot be played throws, and the control stays empty.
    void open()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(int, frames);

        QVERIFY(QDir().mkdir(QStringLiteral("folder")));
        if (!contents.isNull()) {
            m_start->WriteFile(name, contents);
        }
        AnimationControl control;
        if (frames == 0) {
            QVERIFY_THROWS_EXCEPTION(AviOpenError, control.Open(name));
        } else {
            control.Open(name);
        }
        QCOMPARE(control.FrameCount(), frames);
        QCOMPARE(control.CurrentFrame(), frames == 0 ? 0 : 1);
        QVERIFY(!control.IsPlaying());
    }

    void openFailureKeepsTheClip()
    {
        AnimationControl control;
        control.Open(QStringLiteral("clip.avi"));
        control.Play(1, 6);
        control.AdvanceFrame();
        QVERIFY_THROWS_EXCEPTION(AviOpenError, control.Open(QStringLiteral("missing.avi")));
        QCOMPARE(control.FrameCount(), 6);
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

    void timerRunsOnlyWhileVisible()
    {
        QWidget window;
        auto *control = new AnimationControl(&window);
        control->Open(QStringLiteral("clip.avi"));
        control->Play(1, 6);
        QVERIFY(control->IsPlaying());
        QVERIFY(!control->IsTimerActive());

        window.show();
        QVERIFY(control->IsTimerActive());
        control->AdvanceFrame();
        window.hide();
        QVERIFY(!control->IsTimerActive());
        QVERIFY(control->IsPlaying());
        window.show();
        QVERIFY(control->IsTimerActive());
        QCOMPARE(control->CurrentFrame(), 2);

        // The intro is dismissed by hiding the control itself; the window's later showings must
        // not wake it.
        control->hide();
        QVERIFY(!control->IsTimerActive());
        window.hide();
        window.show();
        QVERIFY(!control->IsTimerActive());
    }

    void timerDrivesTheFramesAtTheFileRate()
    {
        m_start->WriteFile(QStringLiteral("fast.avi"), SixFrameClip(1000));
        AnimationControl control;
        control.Open(QStringLiteral("fast.avi"));
        QCOMPARE(control.FrameInterval(), 1);
        control.show();
        control.Play(1, 6);
        QTRY_VERIFY_WITH_TIMEOUT(control.CurrentFrame() != 1, 2000);
    }

    void drawsTheFrameCentredOnBlack()
    {
        AnimationControl control;
        control.resize(20, 10);
        control.Open(QStringLiteral("clip.avi"));
        control.Play(1, 6);

        QImage shown = control.grab().toImage();
        // The 4 x 2 frame lies at 8..11, 4..5.
        QCOMPARE(shown.pixel(8, 4), FrameColours[0]);
        QCOMPARE(shown.pixel(11, 5), FrameColours[0]);
        QCOMPARE(shown.pixel(7, 4), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(12, 5), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(8, 3), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(0, 0), qRgb(0, 0, 0));

        control.AdvanceFrame();
        shown = control.grab().toImage();
        QCOMPARE(shown.pixel(10, 5), FrameColours[1]);
    }

    void closeLetsTheClipGo()
    {
        AnimationControl control;
        control.resize(20, 10);
        control.show();
        control.Open(QStringLiteral("clip.avi"));
        control.Play(1, 6);
        control.Close();
        // As a control that never had a clip: black, with nothing to play.
        control.Play(1, 60);
        control.AdvanceFrame();
        QCOMPARE(control.FrameCount(), 0);
        QCOMPARE(control.CurrentFrame(), 0);
        QVERIFY(!control.IsPlaying());
        QVERIFY(!control.IsTimerActive());
        QCOMPARE(control.grab().toImage().pixel(8, 4), qRgb(0, 0, 0));

        // It opens again as a new control would.
        control.Open(QStringLiteral("clip.avi"));
        control.Play(1, 6);
        QCOMPARE(control.grab().toImage().pixel(8, 4), FrameColours[0]);
    }

private:
    std::unique_ptr<StartDirectoryFixture> m_start;
};

QTEST_MAIN(TestAnimationControl)
#include "tst_animationcontrol.moc"
