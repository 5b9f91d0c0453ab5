#include "platform/animationcontrol.h"
#include "platform/aviwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QList<QRgb> FrameColours = {qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(0, 0, 255),
                                  qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(255, 0, 255)};

// Six 4 x 2 frames, each one solid colour of FrameColours.
QByteArray SixFrameClip(std::uint32_t microSecondsPerFrame)
{
    std::vector<QImage> frames;
    for (const QRgb colour : FrameColours) {
        QImage frame(4, 2, QImage::Format_RGB32);
        frame.fill(colour);
        frames.push_back(frame);
    }
    AviWriteOptions options;
    options.kind = AviFrameKind::Rgb24;
    options.microSecondsPerFrame = microSecondsPerFrame;
    return WriteAvi(frames, options);
}

bool WriteFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QString Intro()
{
    return QStringLiteral(ORTUS_SOURCE_DIR "/data/Ortus.avi");
}

} // namespace

class TestAnimationControl : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openFailureThrows_data();
    void openFailureThrows();
    void openFailureKeepsTheClip();
    void bareNameIsTakenFromTheCurrentDirectory();
    void introLoopsFromLastFrameToFirst();
    void playRange_data();
    void playRange();
    void playWithoutClipDoesNothing();
    void openStopsPlaying();
    void timerRunsOnlyWhileVisible();
    void hidingTheWindowStopsTheTimer();
    void timerFollowsTheFileRate();
    void timerDrivesTheFrames();
    void drawsTheFrameCentredOnBlack();
    void closeLetsTheClipGo();

private:
    QTemporaryDir *m_folder = nullptr;
    QString m_clip;
    QString m_previousDirectory;
};

void TestAnimationControl::init()
{
    m_folder = new QTemporaryDir;
    QVERIFY(m_folder->isValid());
    m_clip = m_folder->filePath(QStringLiteral("clip.avi"));
    QVERIFY(WriteFile(m_clip, SixFrameClip(40000)));
    m_previousDirectory = QDir::currentPath();
}

void TestAnimationControl::cleanup()
{
    QDir::setCurrent(m_previousDirectory);
    delete m_folder;
    m_folder = nullptr;
}

void TestAnimationControl::openFailureThrows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("missing file") << "Ortus.avi" << QByteArray();
    QTest::newRow("empty name") << "" << QByteArray();
    QTest::newRow("folder") << "folder" << QByteArray();
    QTest::newRow("empty file") << "Ortus.avi" << QByteArray("");
    QTest::newRow("text file") << "Ortus.avi" << QByteArray("Ортус 2000\r\n");
    QTest::newRow("cut off") << "Ortus.avi" << SixFrameClip(40000).left(300);
    QTest::newRow("a picture, not a movie") << "Ortus.avi" << QByteArray("BM\x36\0\0\0", 6);
}

void TestAnimationControl::openFailureThrows()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);

    QVERIFY(QDir::setCurrent(m_folder->path()));
    QVERIFY(QDir().mkdir(QStringLiteral("folder")));
    if (!contents.isNull()) {
        QVERIFY(WriteFile(name, contents));
    }
    AnimationControl control;
    try {
        control.Open(name);
        QFAIL("Open did not throw");
    } catch (const AviOpenError &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Cannot open AVI"));
    }
    QCOMPARE(control.FrameCount(), 0);
    QCOMPARE(control.CurrentFrame(), 0);
    QVERIFY(!control.IsPlaying());
}

void TestAnimationControl::openFailureKeepsTheClip()
{
    AnimationControl control;
    control.Open(m_clip);
    control.Play(1, 6);
    control.AdvanceFrame();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, control.Open(m_folder->filePath("missing.avi")));
    QCOMPARE(control.FrameCount(), 6);
    QCOMPARE(control.CurrentFrame(), 2);
    QVERIFY(control.IsPlaying());
}

void TestAnimationControl::bareNameIsTakenFromTheCurrentDirectory()
{
    QVERIFY(QDir::setCurrent(m_folder->path()));
    AnimationControl control;
    control.Open(QStringLiteral("clip.avi"));
    QCOMPARE(control.FrameCount(), 6);
    QCOMPARE(control.CurrentFrame(), 1);
    QVERIFY(!control.IsPlaying());
}

void TestAnimationControl::introLoopsFromLastFrameToFirst()
{
    AnimationControl control;
    control.Open(Intro());
    QCOMPARE(control.FrameCount(), 60);
    control.Play(1, 60);
    QCOMPARE(control.CurrentFrame(), 1);
    for (int frame = 2; frame <= 60; ++frame) {
        control.AdvanceFrame();
        QCOMPARE(control.CurrentFrame(), frame);
    }
    control.AdvanceFrame();
    QCOMPARE(control.CurrentFrame(), 1);
    QVERIFY(control.IsPlaying());
}

void TestAnimationControl::playRange_data()
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

void TestAnimationControl::playRange()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, frames);

    AnimationControl control;
    control.Open(m_clip);
    control.Play(from, to);
    QList<int> shown{control.CurrentFrame()};
    while (shown.size() < frames.size()) {
        control.AdvanceFrame();
        shown.append(control.CurrentFrame());
    }
    QCOMPARE(shown, frames);
}

void TestAnimationControl::playWithoutClipDoesNothing()
{
    AnimationControl control;
    control.show();
    control.Play(1, 60);
    control.AdvanceFrame();
    QVERIFY(!control.IsPlaying());
    QVERIFY(!control.IsTimerActive());
    QCOMPARE(control.CurrentFrame(), 0);
}

void TestAnimationControl::openStopsPlaying()
{
    AnimationControl control;
    control.show();
    control.Open(m_clip);
    control.Play(1, 6);
    control.AdvanceFrame();
    control.Open(m_clip);
    QVERIFY(!control.IsPlaying());
    QVERIFY(!control.IsTimerActive());
    QCOMPARE(control.CurrentFrame(), 1);
    control.AdvanceFrame();
    QCOMPARE(control.CurrentFrame(), 1);
}

void TestAnimationControl::timerRunsOnlyWhileVisible()
{
    AnimationControl control;
    control.Open(m_clip);
    control.Play(1, 6);
    QVERIFY(control.IsPlaying());
    QVERIFY(!control.IsTimerActive());

    control.show();
    QVERIFY(control.IsTimerActive());
    control.AdvanceFrame();
    control.hide();
    QVERIFY(!control.IsTimerActive());
    QVERIFY(control.IsPlaying());
    QCOMPARE(control.CurrentFrame(), 2);

    control.show();
    QVERIFY(control.IsTimerActive());
    QCOMPARE(control.CurrentFrame(), 2);
}

void TestAnimationControl::hidingTheWindowStopsTheTimer()
{
    QWidget window;
    auto *control = new AnimationControl(&window);
    control->Open(m_clip);
    window.show();
    control->Play(1, 6);
    QVERIFY(control->IsTimerActive());

    window.hide();
    QVERIFY(!control->IsTimerActive());
    window.show();
    QVERIFY(control->IsTimerActive());

    // The intro is dismissed by hiding the control itself; the window's later showings must not
    // wake it.
    control->hide();
    window.hide();
    window.show();
    QVERIFY(!control->IsTimerActive());
}

void TestAnimationControl::timerFollowsTheFileRate()
{
    AnimationControl control;
    control.Open(m_clip);
    QCOMPARE(control.FrameInterval(), 40);
    control.Open(Intro());
    QCOMPARE(control.FrameInterval(), 67);
}

void TestAnimationControl::timerDrivesTheFrames()
{
    const QString fast = m_folder->filePath(QStringLiteral("fast.avi"));
    QVERIFY(WriteFile(fast, SixFrameClip(1000)));
    AnimationControl control;
    control.Open(fast);
    control.show();
    control.Play(1, 6);
    QTRY_VERIFY_WITH_TIMEOUT(control.CurrentFrame() != 1, 2000);
}

void TestAnimationControl::drawsTheFrameCentredOnBlack()
{
    AnimationControl control;
    control.resize(20, 10);
    control.Open(m_clip);
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

void TestAnimationControl::closeLetsTheClipGo()
{
    AnimationControl control;
    control.resize(20, 10);
    control.show();
    control.Open(m_clip);
    control.Play(1, 6);
    control.Close();
    QCOMPARE(control.FrameCount(), 0);
    QCOMPARE(control.CurrentFrame(), 0);
    QVERIFY(!control.IsPlaying());
    QVERIFY(!control.IsTimerActive());
    QCOMPARE(control.grab().toImage().pixel(8, 4), qRgb(0, 0, 0));

    // It opens again as a new control would.
    control.Open(m_clip);
    control.Play(1, 6);
    QCOMPARE(control.FrameCount(), 6);
    QCOMPARE(control.grab().toImage().pixel(8, 4), FrameColours[0]);
}

QTEST_MAIN(TestAnimationControl)
#include "tst_animationcontrol.moc"
