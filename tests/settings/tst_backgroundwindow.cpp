#include "app/tform1.h"
#include "platform/stretchedimage.h"
#include "runtime/tcolor.h"
#include "settings/emblem.h"
#include "settings/tform3.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <map>
#include <memory>

namespace {

const QByteArray FillModeFile = CrLfLines({"Fon.jpg", "16445670", "1", "8388608", "16777215",
                                           "25600", "180", "Results.txt", "[Button]=L"});
constexpr TColor FillModeColour = 16445670;

// Counts completed writes of the settings file, whether it is rewritten in place or replaced by
// a renamed temporary file.
class SettingsWrites {
public:
    explicit SettingsWrites(const QString &directory)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0) {
            inotify_add_watch(m_fd, QFile::encodeName(directory).constData(),
                              IN_CLOSE_WRITE | IN_MOVED_TO);
        }
    }
    ~SettingsWrites()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    SettingsWrites(const SettingsWrites &) = delete;
    SettingsWrites &operator=(const SettingsWrites &) = delete;

    bool valid() const { return m_fd >= 0; }

    int Count()
    {
        alignas(inotify_event) std::array<char, 4096> buffer{};
        for (;;) {
            const ssize_t size = read(m_fd, buffer.data(), buffer.size());
            if (size <= 0) {
                return m_count;
            }
            for (ssize_t offset = 0; offset < size;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer.data() + offset);
                if (event->len > 0 && qstrcmp(event->name, "Ortus00.ini") == 0) {
                    ++m_count;
                }
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int m_fd;
    int m_count = 0;
};

QList<QByteArray> FileLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    for (QByteArray &line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return lines;
}

void WritePicture(const QString &path, QRgb colour)
{
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(colour);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!picture.save(path, "BMP")) {
        throw std::runtime_error("cannot write a test picture");
    }
}

} // namespace

class BackgroundWindowTest : public QObject {
    Q_OBJECT

public:
    enum class Command { Fill, PictureChosen, PictureCancelled };
    Q_ENUM(Command)

private slots:
    void init();
    void cleanup();

    void window();
    void buttons_data();
    void buttons();
    void emblem();
    void emblemShowsThroughTheButtons();
    void captionsAreDrawnInAqua();
    void frameShowsOnlyUnderTheMouse();
    void escapeDoesNotClose();
    void execEndsWhenTheWindowCloses();

    void fillColourConfirmed();
    void fillColourCancelledKeepsTheWindowOpen();
    void colourDialogStartsBlackAtEveryOpening();
    void pictureFromFillMode_data();
    void pictureFromFillMode();
    void leavingChangesNothing_data();
    void leavingChangesNothing();
    void failedWrite_data();
    void failedWrite();
    void picturePathCapacity_data();
    void picturePathCapacity();

private:
    // Creates the main window over the given settings file (the shipped one when empty) and
    // shows a background-choice window for it.
    void Open(const QByteArray &settingsFile = {});
    QByteArray SettingsFile() const { return m_start->ReadFile(QStringLiteral("Ortus00.ini")); }
    bool ImageShown() const { return m_form1->Image1->isVisibleTo(m_form1.get()); }
    QColor WindowColour() const { return m_form1->palette().color(QPalette::Window); }

    std::unique_ptr<StartDirectoryFixture> m_start;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TForm3> m_form3;
    std::unique_ptr<SettingsWrites> m_writes;
    QByteArray m_fileBefore;
};

void BackgroundWindowTest::init()
{
    m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
    m_dialogs = ScriptedDialogs();
}

void BackgroundWindowTest::cleanup()
{
    m_writes.reset();
    m_form3.reset();
    m_form1.reset();
    m_start.reset();
}

void BackgroundWindowTest::Open(const QByteArray &settingsFile)
{
    if (!settingsFile.isEmpty()) {
        m_start->WriteFile(QStringLiteral("Ortus00.ini"), settingsFile);
    }
    m_form1 = std::make_unique<TForm1>(m_dialogs);
    m_form3 = std::make_unique<TForm3>(*m_form1, m_dialogs, m_form1.get());
    m_form3->show();
    m_writes = std::make_unique<SettingsWrites>(m_start->path());
    m_fileBefore = SettingsFile();
}

void BackgroundWindowTest::window()
{
    Open();
    QVERIFY(QTest::qWaitForWindowExposed(m_form3.get()));

    QCOMPARE(m_form3->windowTitle().toUtf8(), QByteArray("Выбор рисунка ... "));
    QCOMPARE(m_form3->size(), QSize(192, 92));
    QCOMPARE(m_form3->minimumSize(), m_form3->maximumSize());
    QCOMPARE(m_form3->windowType(), Qt::Dialog);
    const Qt::WindowFlags flags = m_form3->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(m_form3->windowModality(), Qt::ApplicationModal);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // Centred as a whole, frame included, give or take the rounding of the halves.
    QVERIFY((m_form3->frameGeometry().center() - area.center()).manhattanLength() <= 3);
    QCOMPARE(m_form3->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(m_form3->font().pixelSize(), 11);
    QVERIFY(m_form3->font().bold());
    QCOMPARE(m_form3->Image1->geometry(), QRect(0, 0, 192, 92));
}

void BackgroundWindowTest::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("top");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");

    QTest::newRow("SpeedButton1") << "SpeedButton1" << 5 << "Заливка..."
                                  << "Изменение цвета заливки окна";
    QTest::newRow("SpeedButton2") << "SpeedButton2" << 35 << "Рисунок..."
                                  << "Изменение цвета фонового рисунка";
    QTest::newRow("SpeedButton3") << "SpeedButton3" << 65 << "Отмена"
                                  << "Вернуться к программе";
}

void BackgroundWindowTest::buttons()
{
    QFETCH(QString, button);
    QFETCH(int, top);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);

    Open();
    const std::map<QString, QToolButton *> buttons{{"SpeedButton1", m_form3->SpeedButton1},
                                                   {"SpeedButton2", m_form3->SpeedButton2},
                                                   {"SpeedButton3", m_form3->SpeedButton3}};
    const QToolButton *control = buttons.at(button);
    QCOMPARE(control->geometry(), QRect(5, top, 185, 25));
    QCOMPARE(control->text(), caption);
    QCOMPARE(control->toolTip(), tooltip);
    QVERIFY(control->autoRaise());
    QCOMPARE(control->focusPolicy(), Qt::NoFocus);
    QCOMPARE(control->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(control->font().pixelSize(), 16);
    QVERIFY(control->font().bold());
    QCOMPARE(control->palette().color(QPalette::ButtonText), QColor(0, 255, 255));
}

void BackgroundWindowTest::emblem()
{
    const QImage emblem = DrawBackgroundChoiceEmblem();
    QCOMPARE(emblem.size(), QSize(192, 92));
    QCOMPARE(emblem.format(), QImage::Format_RGB888);
    QCOMPARE(emblem.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(emblem.pixel(191, 91), qRgb(0, 0, 0));
    // Top of the ring.
    QCOMPARE(emblem.pixel(96, 8), qRgb(110, 0, 0));

    Open();
    const QPixmap shown = m_form3->Image1->pixmap();
    QCOMPARE(shown.size(), QSize(192, 92));
    QCOMPARE(shown.toImage().convertToFormat(QImage::Format_RGB888), emblem);
}

void BackgroundWindowTest::emblemShowsThroughTheButtons()
{
    Open();
    QVERIFY(QTest::qWaitForWindowExposed(m_form3.get()));
    const QImage emblem = DrawBackgroundChoiceEmblem();
    const QImage shown = m_form3->grab().toImage();

    // Points inside the buttons away from their captions: the ring, the landscape, the swatches,
    // and a button's edge where a hover frame would be drawn.
    for (const QPoint point : {QPoint(96, 8), QPoint(20, 47), QPoint(155, 45), QPoint(155, 57),
                               QPoint(5, 35), QPoint(189, 89)}) {
        QCOMPARE(shown.pixel(point), emblem.pixel(point));
    }
    QVERIFY(emblem.pixel(20, 47) != qRgb(0, 0, 0));
}

void BackgroundWindowTest::captionsAreDrawnInAqua()
{
    Open();
    QVERIFY(QTest::qWaitForWindowExposed(m_form3.get()));
    const QImage shown = m_form3->grab().toImage();

    // The middle of each button, clear of the emblem's aqua swatch.
    for (const QToolButton *button :
         {m_form3->SpeedButton1, m_form3->SpeedButton2, m_form3->SpeedButton3}) {
        int aqua = 0;
        for (int y = button->y(); y < button->y() + button->height(); ++y) {
            for (int x = 50; x < 145; ++x) {
                aqua += shown.pixel(x, y) == qRgb(0, 255, 255) ? 1 : 0;
            }
        }
        QVERIFY2(aqua > 10, qPrintable(button->text()));
    }
}

void BackgroundWindowTest::frameShowsOnlyUnderTheMouse()
{
    Open();
    QVERIFY(QTest::qWaitForWindowExposed(m_form3.get()));
    const QImage emblem = DrawBackgroundChoiceEmblem();
    const QPoint corner = m_form3->SpeedButton2->geometry().topLeft();
    QCOMPARE(m_form3->grab().toImage().pixel(corner), emblem.pixel(corner));

    QTest::mouseMove(m_form3->SpeedButton2, QPoint(20, 12));
    const QImage hovered = m_form3->grab().toImage();

    QVERIFY(hovered.pixel(corner) != emblem.pixel(corner));
    // Only a frame: the face stays clear, and the other buttons stay flat.
    QCOMPARE(hovered.pixel(20, 47), emblem.pixel(20, 47));
    QCOMPARE(hovered.pixel(155, 45), emblem.pixel(155, 45));
    QCOMPARE(hovered.pixel(5, 5), emblem.pixel(5, 5));
    QCOMPARE(hovered.pixel(5, 65), emblem.pixel(5, 65));
}

void BackgroundWindowTest::escapeDoesNotClose()
{
    Open();
    QVERIFY(QTest::qWaitForWindowExposed(m_form3.get()));

    QTest::keyClick(m_form3.get(), Qt::Key_Escape);
    QVERIFY(m_form3->isVisible());
    QCOMPARE(m_writes->Count(), 0);
}

void BackgroundWindowTest::execEndsWhenTheWindowCloses()
{
    Open();
    m_form3->hide();
    bool modalWhileOpen = false;
    QTimer::singleShot(0, m_form3.get(), [&] {
        modalWhileOpen = QApplication::activeModalWidget() == m_form3.get();
        QTest::mouseClick(m_form3->SpeedButton3, Qt::LeftButton);
    });
    m_form3->exec();
    QVERIFY(modalWhileOpen);
    QVERIFY(!m_form3->isVisible());
}

void BackgroundWindowTest::fillColourConfirmed()
{
    Open();
    QVERIFY(m_writes->valid());
    QVERIFY(ImageShown());
    const TColor chosen = RgbColour(0x12, 0x34, 0x56);
    m_dialogs.QueueColour(chosen);

    QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);

    QVERIFY(!ImageShown());
    QCOMPARE(WindowColour(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(m_form1->Config().FillColor, chosen);
    QCOMPARE(int(m_form1->Config().UseFillColor), 1);
    QCOMPARE(m_writes->Count(), 1);
    const QList<QByteArray> lines = FileLines(SettingsFile());
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines[0], QByteArray("Fon.jpg"));
    QCOMPARE(lines[1], QByteArray::number(chosen));
    QCOMPARE(lines[2], QByteArray("1"));
    QVERIFY(!m_form3->isVisible());
    QCOMPARE(m_dialogs.shown().size(), 1);
}

void BackgroundWindowTest::fillColourCancelledKeepsTheWindowOpen()
{
    Open();
    const Settings before = m_form1->Config();

    QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);

    QVERIFY(m_form3->isVisible());
    QCOMPARE(m_writes->Count(), 0);
    QCOMPARE(SettingsFile(), m_fileBefore);
    QVERIFY(ImageShown());
    QCOMPARE(m_form1->Config().FillColor, before.FillColor);
    QCOMPARE(int(m_form1->Config().UseFillColor), int(before.UseFillColor));

    // The same window then still takes a confirmed colour.
    m_dialogs.QueueColour(clRed);
    QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);
    QVERIFY(!m_form3->isVisible());
    QCOMPARE(m_form1->Config().FillColor, clRed);
}

void BackgroundWindowTest::colourDialogStartsBlackAtEveryOpening()
{
    Open();
    m_dialogs.QueueColour(clRed);
    QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);
    QVERIFY(!m_form3->isVisible());

    m_form3 = std::make_unique<TForm3>(*m_form1, m_dialogs, m_form1.get());
    m_form3->show();
    QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);

    QCOMPARE(m_dialogs.colourPresets(), (QList<TColor>{clBlack, clBlack}));
}

void BackgroundWindowTest::pictureFromFillMode_data()
{
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<int>("writes");

    QTest::newRow("picture chosen: written twice") << true << 2;
    QTest::newRow("dialog cancelled: written once") << false << 1;
}

void BackgroundWindowTest::pictureFromFillMode()
{
    QFETCH(bool, chosen);
    QFETCH(int, writes);

    // The picture lies in another folder, which the dialog makes current.
    const QString newPicture = m_start->filePath(QStringLiteral("картинки/новый.bmp"));
    WritePicture(newPicture, qRgb(10, 200, 30));
    Open(FillModeFile);
    QVERIFY(!ImageShown());
    if (chosen) {
        m_dialogs.QueuePath(newPicture);
    }

    QTest::mouseClick(m_form3->SpeedButton2, Qt::LeftButton);

    const QByteArray expectedPath = chosen ? QFile::encodeName(newPicture) : QByteArray("Fon.jpg");
    QCOMPARE(m_writes->Count(), writes);
    const QList<QByteArray> lines = FileLines(SettingsFile());
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines[0], expectedPath);
    QCOMPARE(lines[1], QByteArray("16445670"));
    QCOMPARE(lines[2], QByteArray("0"));
    QCOMPARE(QByteArray::fromStdString(m_form1->Config().BackgroundPicturePath), expectedPath);
    QCOMPARE(int(m_form1->Config().UseFillColor), 0);
    QVERIFY(ImageShown());
    const QImage picture = m_form1->Image1->Picture();
    if (chosen) {
        QCOMPARE(picture.size(), QSize(4, 3));
        QCOMPARE(picture.pixel(0, 0), qRgb(10, 200, 30));
    } else {
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QImage(m_start->filePath(QStringLiteral("Fon.jpg"))).size());
    }
    // The fill colour stays the window's colour where no picture covers it.
    QCOMPARE(WindowColour(), ToQColor(FillModeColour));
    QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("картинки/Ortus00.ini"))));
    QVERIFY(!m_form3->isVisible());
    QCOMPARE(m_dialogs.shown().size(), 1);
}

void BackgroundWindowTest::leavingChangesNothing_data()
{
    QTest::addColumn<bool>("closeBox");

    QTest::newRow("Отмена") << false;
    QTest::newRow("close box") << true;
}

void BackgroundWindowTest::leavingChangesNothing()
{
    QFETCH(bool, closeBox);

    Open(FillModeFile);
    const QColor colourBefore = WindowColour();

    if (closeBox) {
        QVERIFY(m_form3->close());
    } else {
        QTest::mouseClick(m_form3->SpeedButton3, Qt::LeftButton);
    }

    QVERIFY(!m_form3->isVisible());
    QCOMPARE(m_writes->Count(), 0);
    QCOMPARE(SettingsFile(), m_fileBefore);
    QVERIFY(!ImageShown());
    QCOMPARE(WindowColour(), colourBefore);
    QCOMPARE(int(m_form1->Config().UseFillColor), 1);
    QCOMPARE(m_form1->Config().BackgroundPicturePath, std::string("Fon.jpg"));
    QVERIFY(m_dialogs.shown().isEmpty());
}

void BackgroundWindowTest::failedWrite_data()
{
    QTest::addColumn<QByteArray>("settingsFile");
    QTest::addColumn<Command>("command");
    QTest::addColumn<bool>("imageShown");
    QTest::addColumn<int>("useFillColor");
    QTest::addColumn<bool>("newPath");

    // Each command stops at the failing write: what it did before stays, the rest is not done.
    QTest::newRow("Заливка...: fill shown, mode 1 in memory")
        << QByteArray() << Command::Fill << false << 1 << false;
    QTest::newRow("Рисунок... chosen: first write fails, new path, mode as it was")
        << FillModeFile << Command::PictureChosen << false << 1 << true;
    QTest::newRow("Рисунок... cancelled: its one write fails, picture shown, mode 0")
        << FillModeFile << Command::PictureCancelled << true << 0 << false;
}

void BackgroundWindowTest::failedWrite()
{
    QFETCH(QByteArray, settingsFile);
    QFETCH(Command, command);
    QFETCH(bool, imageShown);
    QFETCH(int, useFillColor);
    QFETCH(bool, newPath);

    const QString newPicture = m_start->filePath(QStringLiteral("new.bmp"));
    WritePicture(newPicture, qRgb(10, 200, 30));
    Open(settingsFile);
    // A directory in the way of the temporary file makes every rewrite fail.
    QVERIFY(QDir(m_start->path()).mkdir(QStringLiteral("Ortus00.ini.tmp")));

    switch (command) {
    case Command::Fill:
        m_dialogs.QueueColour(clRed);
        QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);
        QCOMPARE(WindowColour(), QColor(255, 0, 0));
        QCOMPARE(m_form1->Config().FillColor, clRed);
        break;
    case Command::PictureChosen:
        m_dialogs.QueuePath(newPicture);
        QTest::mouseClick(m_form3->SpeedButton2, Qt::LeftButton);
        break;
    case Command::PictureCancelled:
        QTest::mouseClick(m_form3->SpeedButton2, Qt::LeftButton);
        break;
    }

    const QList<ScriptedDialogs::Shown> &shown = m_dialogs.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, ScriptedDialogs::Kind::Error);
    QCOMPARE(shown[1].caption, QStringLiteral("tst_backgroundwindow"));
    QCOMPARE(shown[1].text, QStringLiteral("File access denied."));
    QVERIFY(m_form3->isVisible());
    QCOMPARE(SettingsFile(), m_fileBefore);
    QCOMPARE(ImageShown(), imageShown);
    QCOMPARE(int(m_form1->Config().UseFillColor), useFillColor);
    QCOMPARE(QByteArray::fromStdString(m_form1->Config().BackgroundPicturePath),
             newPath ? QFile::encodeName(newPicture) : QByteArray("Fon.jpg"));

    // Once the way is clear the window still works.
    QVERIFY(QDir(m_start->path()).rmdir(QStringLiteral("Ortus00.ini.tmp")));
    QTest::mouseClick(m_form3->SpeedButton2, Qt::LeftButton);
    QVERIFY(!m_form3->isVisible());
    QCOMPARE(FileLines(SettingsFile()).value(2), QByteArray("0"));
}

void BackgroundWindowTest::picturePathCapacity_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");

    const QString latin = QStringLiteral("p");
    const QString cyrillic = QStringLiteral("ф");
    QTest::newRow("255 bytes") << "/" + latin.repeated(250) + ".bmp" << true;
    QTest::newRow("256 bytes") << "/" + latin.repeated(251) + ".bmp" << false;
    QTest::newRow("130 letters in 255 bytes") << "/" + cyrillic.repeated(125) + ".bmp" << true;
    QTest::newRow("131 letters in 257 bytes") << "/" + cyrillic.repeated(126) + ".bmp" << false;
}

void BackgroundWindowTest::picturePathCapacity()
{
    QFETCH(QString, path);
    QFETCH(bool, accepted);

    Open(FillModeFile);
    m_dialogs.QueuePath(path);

    QTest::mouseClick(m_form3->SpeedButton2, Qt::LeftButton);

    const QByteArray expectedPath = accepted ? path.toUtf8() : QByteArray("Fon.jpg");
    QCOMPARE(QByteArray::fromStdString(m_form1->Config().BackgroundPicturePath), expectedPath);
    QCOMPARE(FileLines(SettingsFile()).value(0), expectedPath);
    QCOMPARE(FileLines(SettingsFile()).value(2), QByteArray("0"));
    QCOMPARE(m_writes->Count(), accepted ? 2 : 1);
    QCOMPARE(int(m_form1->Config().UseFillColor), 0);
    QVERIFY(ImageShown());
    QVERIFY(!m_form3->isVisible());
    if (accepted) {
        QCOMPARE(m_dialogs.shown().size(), 1);
    } else {
        QCOMPARE(m_dialogs.shown().size(), 2);
        QCOMPARE(m_dialogs.shown()[1].kind, ScriptedDialogs::Kind::Information);
        QCOMPARE(m_dialogs.shown()[1].text,
                 QStringLiteral("Слишком длинный путь к рисунку (больше 255 байт). "
                                "Оставлен прежний рисунок."));
    }
}

QTEST_MAIN(BackgroundWindowTest)
#include "tst_backgroundwindow.moc"
