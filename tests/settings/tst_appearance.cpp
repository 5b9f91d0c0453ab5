#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "runtime/cp1251.h"
#include "support/mainwindow.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

QByteArray Bitmap(const QColor &colour)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QColor TextColour(const QWidget *widget, QPalette::ColorRole role)
{
    return widget->palette().color(role);
}

} // namespace

class AppearanceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shippedSettingsColourTheControls();
    void missingSettingsFileStillOpensWithBlackTexts();
    void invalidNumberStopsReadingThere();
    void fillColourMode();
    void unknownModeChangesNeither();
    void pictureIsReloadedAtEveryModeSwitch();

private:
    void Create();
    std::unique_ptr<StartDirectoryFixture> m_start;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

void AppearanceTest::init()
{
    m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
    m_dialogs = ScriptedDialogs();
}

void AppearanceTest::cleanup()
{
    m_form.reset();
    m_start.reset();
}

void AppearanceTest::Create()
{
    m_form = std::make_unique<TForm1>(m_dialogs);
    QVERIFY(ShowStartedWindow(*m_form));
}

void AppearanceTest::shippedSettingsColourTheControls()
{
    Create();
    QVERIFY(m_dialogs.shown().isEmpty());
    const Settings &settings = m_form->Config();
    for (const QLabel *label : {m_form->Label1, m_form->Label2, m_form->Label3, m_form->Label4}) {
        QCOMPARE(TextColour(label, QPalette::WindowText), ToQColor(settings.QuestionColor));
    }
    for (const TEffectLabel *label : m_form->AnswerLabels) {
        QCOMPARE(label->ColourHighlight(), settings.SelectedAnswerColor);
        QCOMPARE(label->FontColor(), settings.AnswerColor);
    }
    QCOMPARE(TextColour(m_form->SpeedButton1, QPalette::ButtonText),
             ToQColor(settings.AnswerColor));
    QVERIFY(m_form->Image1->isVisible());
    QCOMPARE(m_form->Image1->Picture().size(), QSize(800, 600));
}

void AppearanceTest::missingSettingsFileStillOpensWithBlackTexts()
{
    QFile::remove(m_start->filePath(QStringLiteral("Ortus00.ini")));
    Create();
    QCOMPARE(m_dialogs.shown().size(), 1);
    QCOMPARE(m_dialogs.shown().first().kind, ScriptedDialogs::Kind::Error);
    QCOMPARE(m_dialogs.shown().first().text, QStringLiteral("File not found."));
    QCOMPARE(m_dialogs.shown().first().caption, QStringLiteral("tst_appearance"));
    QVERIFY(m_form->isVisible());
    QCOMPARE(TextColour(m_form->Label2, QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(m_form->EffectLabel1->FontColor(), clBlack);
    QCOMPARE(m_form->EffectLabel1->ColourHighlight(), clBlack);
    QCOMPARE(TextColour(m_form->SpeedButton1, QPalette::ButtonText), QColor(Qt::black));
    QVERIFY(m_form->Image1->isVisibleTo(m_form.get()));
    QVERIFY(m_form->Image1->Picture().isNull());
    QVERIFY(m_form->Config().ResultsLogPath.empty());
    QVERIFY(!m_form->Config().BothMouseButtons);
}

void AppearanceTest::invalidNumberStopsReadingThere()
{
    m_start->WriteFile(
        QStringLiteral("Ortus00.ini"),
        CrLfLines({"Fon.jpg", "255", "1", "oops", "65280", "0", "0", "log.txt", "[Button]=LR"}));
    Create();
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Invalid numeric input.")});
    // The background step did not run: the picture stays visible although line 3 asked for fill.
    QVERIFY(m_form->Image1->isVisibleTo(m_form.get()));
}

void AppearanceTest::fillColourMode()
{
    m_start->WriteFile(QStringLiteral("Ortus00.ini"),
                       CrLfLines({"Fon.jpg", "0", "1", "0", "0", "0", "0", "", ""}));
    Create();
    QVERIFY(!m_form->Image1->isVisible());
    QCOMPARE(TextColour(m_form.get(), QPalette::Window), QColor(Qt::black));
    // The picture is loaded even though it is hidden.
    QVERIFY(!m_form->Image1->Picture().isNull());
    // Only the window takes the fill colour: the status bar's black text stays readable.
    const QImage statusBar = m_form->StatusBar1->grab().toImage();
    QCOMPARE(statusBar.pixelColor(statusBar.width() - 10, 10),
             QApplication::palette().color(QPalette::Window));
}

void AppearanceTest::unknownModeChangesNeither()
{
    m_start->WriteFile(QStringLiteral("Ortus00.ini"),
                       CrLfLines({"Fon.jpg", "255", "2", "0", "0", "0", "0", "", ""}));
    Create();
    QVERIFY(m_form->Image1->isVisible());
    QCOMPARE(TextColour(m_form.get(), QPalette::Window),
             QWidget().palette().color(QPalette::Window));
}

// The settings name both files in code page 1251, as a teacher's Windows editor writes them.
void AppearanceTest::pictureIsReloadedAtEveryModeSwitch()
{
    const QString picture = QStringLiteral("Фон.bmp");
    const QString log = QStringLiteral("Журнал.txt");
    m_start->WriteFile(picture, Bitmap(Qt::red));
    m_start->WriteFile(log, "\r\n");
    m_start->WriteFile(QStringLiteral("Ortus00.ini"),
                       QByteArray::fromStdString(ToCp1251(
                           picture + "\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n" + log + "\r\n\r\n")));
    Create();
    QCOMPARE(m_form->Image1->Picture().pixelColor(2, 2), QColor(Qt::red));

    m_start->WriteFile(picture, Bitmap(Qt::blue));
    m_form->Memo1Click();
    m_form->Edit1->setText(QStringLiteral("Ученик"));
    m_form->ComboBox1->setCurrentIndex(0);
    m_form->Edit3->setText(QStringLiteral("5А"));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(m_form->TestRunning());
    QCOMPARE(m_form->Image1->Picture().pixelColor(2, 2), QColor(Qt::blue));

    m_start->WriteFile(picture, Bitmap(Qt::green));
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    QVERIFY(!m_form->TestRunning());
    QCOMPARE(m_form->Image1->Picture().pixelColor(2, 2), QColor(Qt::green));
    QVERIFY(m_start->ReadFile(log).endsWith(ToCp1251("Результат: 0\r\n")));
}

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"
