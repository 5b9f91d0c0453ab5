#include "app/tform1.h"
#include "platform/stretchedimage.h"
#include "runtime/cp1251.h"
#include "runtime/tcolor.h"
#include "settings/emblem.h"
#include "settings/tform3.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
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
        inotify_add_watch(m_fd, QFile::encodeName(directory).constData(),
                          IN_CLOSE_WRITE | IN_MOVED_TO);
    }
    ~SettingsWrites() { close(m_fd); }
    SettingsWrites(const SettingsWrites &) = delete;
    SettingsWrites &operator=(const SettingsWrites &) = delete;

    int Count()
    {
        alignas(inotify_event) std::array<char, 4096> buffer{};
        for (ssize_t size = 0; (size = read(m_fd, buffer.data(), buffer.size())) > 0;) {
            for (ssize_t offset = 0; offset < size;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer.data() + offset);
                m_count += event->len > 0 && qstrcmp(event->name, "Ortus00.ini") == 0 ? 1 : 0;
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return m_count;
    }

private:
    int m_fd;
    int m_count = 0;
};

// The lines of a CR LF text file.
QList<QByteArray> FileLines(QByteArray bytes)
{
    QList<QByteArray> lines = bytes.replace("\r\n", "\n").split('\n');
    lines.removeLast();
    return lines;
}

void WritePicture(const QString &path, QRgb colour)
{
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(colour);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(picture.save(path, "BMP"));
}

} // namespace

class BackgroundWindowTest : public QObject {
    Q_OBJECT

public:
    enum class Command { Fill, PictureChosen, PictureCancelled };
    Q_ENUM(Command)

private slots:
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
        m_dialogs = ScriptedDialogs();
    }

    void cleanup()
    {
        m_writes.reset();
        m_form3.reset();
        m_form1.reset();
        m_start.reset();
    }

    // The frame, the system menu, modality and centring come from AuxiliaryWindow, tested with the
    // help window and under real window managers (tests/desktop).
    void layout()
    {
        Open();
        QCOMPARE(m_form3->windowTitle(), QStringLiteral("Выбор рисунка ... "));
        QCOMPARE(m_form3->size(), QSize(192, 92));
        QCOMPARE(m_form3->font().pixelSize(), 11);
        QCOMPARE(m_form3->Image1->geometry(), QRect(0, 0, 192, 92));
        const struct {
            QToolButton *button;
            int top;
            const char *caption;
            const char *tooltip;
        } buttons[] = {
            {m_form3->SpeedButton1, 5, "Заливка...", "Изменение цвета заливки окна"},
            {m_form3->SpeedButton2, 35, "Рисунок...", "Изменение цвета фонового рисунка"},
            {m_form3->SpeedButton3, 65, "Отмена", "Вернуться к программе"},
        };
        for (const auto &[button, top, caption, tooltip] : buttons) {
            QCOMPARE(button->geometry(), QRect(5, top, 185, 25));
            QCOMPARE(button->text(), QString::fromUtf8(caption));
            QCOMPARE(button->toolTip(), QString::fromUtf8(tooltip));
            QCOMPARE(button->font().pixelSize(), 16);
            QVERIFY(button->font().bold());
        }
    }

    // The emblem shows through the buttons, which draw only their aqua captions, and a frame
    // under the mouse.
    void drawing()
    {
        const QImage emblem = DrawBackgroundChoiceEmblem();
        QCOMPARE(emblem.size(), QSize(192, 92));
        QCOMPARE(emblem.pixel(0, 0), qRgb(0, 0, 0));
        // Top of the ring.
        QCOMPARE(emblem.pixel(96, 8), qRgb(110, 0, 0));
        QVERIFY(emblem.pixel(20, 47) != qRgb(0, 0, 0));

        Open();
        QVERIFY(QTest::qWaitForWindowExposed(m_form3.get()));
        QCOMPARE(m_form3->Image1->pixmap().toImage().convertToFormat(emblem.format()), emblem);
        const QImage shown = m_form3->grab().toImage();
        // Inside the buttons away from their captions: the ring, the landscape, the swatches, and
        // the buttons' edges where a frame would be drawn.
        const QPoint corner = m_form3->SpeedButton2->geometry().topLeft();
        for (const QPoint point : {QPoint(96, 8), QPoint(20, 47), QPoint(155, 45), QPoint(155, 57),
                                   QPoint(5, 5), corner, QPoint(5, 65), QPoint(189, 89)}) {
            QCOMPARE(shown.pixel(point), emblem.pixel(point));
        }
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

        QTest::mouseMove(m_form3->SpeedButton2, QPoint(20, 12));
        const QImage hovered = m_form3->grab().toImage();
        QVERIFY(hovered.pixel(corner) != emblem.pixel(corner));
        // Only a frame: the face stays clear, and the other buttons stay flat.
        for (const QPoint point : {QPoint(20, 47), QPoint(155, 45), QPoint(5, 5), QPoint(5, 65)}) {
            QCOMPARE(hovered.pixel(point), emblem.pixel(point));
        }
    }

    // A cancelled colour dialog leaves everything and the window open; a confirmed one fills the
    // main window and writes the settings once. Each opening's dialog starts black.
    void fillColour()
    {
        Open();
        QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);
        QVERIFY(m_form3->isVisible());
        QCOMPARE(m_writes->Count(), 0);
        QCOMPARE(SettingsFile(), m_fileBefore);
        QVERIFY(ImageShown());
        QCOMPARE(int(m_form1->Config().UseFillColor), 0);

        const TColor chosen = RgbColour(0x12, 0x34, 0x56);
        m_dialogs.QueueColour(chosen);
        QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);
        QVERIFY(!m_form3->isVisible());
        QVERIFY(!ImageShown());
        QCOMPARE(WindowColour(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(m_form1->Config().FillColor, chosen);
        QCOMPARE(int(m_form1->Config().UseFillColor), 1);
        QCOMPARE(m_writes->Count(), 1);
        const QList<QByteArray> lines = FileLines(SettingsFile());
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines.mid(0, 3), (QList<QByteArray>{"Fon.jpg", QByteArray::number(chosen), "1"}));
        QCOMPARE(m_dialogs.shown().size(), 2);

        m_form3 = std::make_unique<TForm3>(*m_form1, m_dialogs, m_form1.get());
        m_form3->show();
        QTest::mouseClick(m_form3->SpeedButton1, Qt::LeftButton);
        QCOMPARE(m_dialogs.colourPresets(), (QList<TColor>{clBlack, clBlack, clBlack}));
    }

    void picture_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("stored");

        // The picture lies in another folder, which the dialog makes current.
        QTest::newRow("picture chosen: written twice") << "картинки/новый.bmp" << true;
        QTest::newRow("dialog cancelled: written once") << "" << false;
        // At most 255 bytes are stored: a Russian letter takes one, a letter code page 1251
        // lacks two (UTF-8).
        const QString latin = QStringLiteral("p");
        QTest::newRow("255 bytes") << "/" + latin.repeated(250) + ".bmp" << true;
        QTest::newRow("256 bytes") << "/" + latin.repeated(251) + ".bmp" << false;
        QTest::newRow("255 Russian letters")
            << "/" + QStringLiteral("ф").repeated(250) + ".bmp" << true;
        QTest::newRow("131 letters in 257 bytes")
            << "/" + QStringLiteral("ü").repeated(126) + ".bmp" << false;
    }

    // "Рисунок..." from fill mode: the picture shows, the fill colour stays the window's colour
    // where no picture covers it.
    void picture()
    {
        QFETCH(QString, path);
        QFETCH(bool, stored);

        if (!path.isEmpty() && !path.startsWith('/')) {
            path = m_start->filePath(path);
            WritePicture(path, qRgb(10, 200, 30));
        }
        Open(FillModeFile);
        QVERIFY(!ImageShown());
        if (!path.isEmpty()) {
            m_dialogs.QueuePath(path);
        }

        QTest::mouseClick(m_form3->SpeedButton2, Qt::LeftButton);

        const QByteArray expectedPath =
            stored ? QByteArray::fromStdString(StoredPath(path)) : QByteArray("Fon.jpg");
        QCOMPARE(m_writes->Count(), stored ? 2 : 1);
        const QList<QByteArray> lines = FileLines(SettingsFile());
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines.mid(0, 3), (QList<QByteArray>{expectedPath, "16445670", "0"}));
        QCOMPARE(QByteArray::fromStdString(m_form1->Config().BackgroundPicturePath), expectedPath);
        QCOMPARE(int(m_form1->Config().UseFillColor), 0);
        QVERIFY(ImageShown());
        QCOMPARE(WindowColour(), ToQColor(FillModeColour));
        QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("картинки/Ortus00.ini"))));
        QVERIFY(!m_form3->isVisible());
        const QImage picture = m_form1->Image1->Picture();
        if (QFile::exists(path)) {
            QCOMPARE(picture.size(), QSize(4, 3));
            QCOMPARE(picture.pixel(0, 0), qRgb(10, 200, 30));
        } else if (path.isEmpty()) {
            QCOMPARE(picture.size(), QImage(m_start->filePath(QStringLiteral("Fon.jpg"))).size());
        }
        const QList<ScriptedDialogs::Shown> &shown = m_dialogs.shown();
        QCOMPARE(shown.size(), path.isEmpty() || stored ? 1 : 2);
        if (shown.size() == 2) {
            QCOMPARE(shown[1].kind, ScriptedDialogs::Kind::Information);
            QCOMPARE(shown[1].text, QStringLiteral("Слишком длинный путь к рисунку (больше 255 "
                                                   "байт). Оставлен прежний рисунок."));
        }
    }

    void leavingChangesNothing_data()
    {
        QTest::addColumn<bool>("closeBox");

        QTest::newRow("Отмена") << false;
        QTest::newRow("close box") << true;
    }

    void leavingChangesNothing()
    {
        QFETCH(bool, closeBox);

        Open(FillModeFile);
        const QColor colourBefore = WindowColour();
        // Escape is no way out.
        QTest::keyClick(m_form3.get(), Qt::Key_Escape);
        QVERIFY(m_form3->isVisible());
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

    void failedWrite_data()
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

    void failedWrite()
    {
        QFETCH(QByteArray, settingsFile);
        QFETCH(Command, command);
        QFETCH(bool, imageShown);
        QFETCH(int, useFillColor);
        QFETCH(bool, newPath);

        const QString newPicture = m_start->filePath(QStringLiteral("new.bmp"));
        WritePicture(newPicture, qRgb(10, 200, 30));
        Open(settingsFile);
        // A folder in place of the settings file makes every rewrite fail.
        const QString settings = m_start->filePath(QStringLiteral("Ortus00.ini"));
        QVERIFY(QFile::remove(settings) && QDir().mkdir(settings));

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
        QCOMPARE(ImageShown(), imageShown);
        QCOMPARE(int(m_form1->Config().UseFillColor), useFillColor);
        QCOMPARE(QByteArray::fromStdString(m_form1->Config().BackgroundPicturePath),
                 newPath ? QFile::encodeName(newPicture) : QByteArray("Fon.jpg"));

        // Once the way is clear the window still works.
        QVERIFY(QDir().rmdir(settings));
        QTest::mouseClick(m_form3->SpeedButton2, Qt::LeftButton);
        QVERIFY(!m_form3->isVisible());
        QCOMPARE(FileLines(SettingsFile()).value(2), QByteArray("0"));
    }

private:
    // Creates the main window over the given settings file (the shipped one when empty) and
    // shows a background-choice window for it.
    void Open(const QByteArray &settingsFile = {})
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

QTEST_MAIN(BackgroundWindowTest)
#include "tst_backgroundwindow.moc"
