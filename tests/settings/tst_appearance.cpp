#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/stretchedimage.h"
#include "support/mainwindow.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

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
    QCOMPARE(m_form->Config().FillColor, 255);
    QCOMPARE(m_form->Config().SelectedAnswerColor, 0);
    QVERIFY(m_form->Config().ResultsLogPath.empty());
    // The background step did not run: the picture stays visible although line 3 asked for fill.
    QVERIFY(m_form->Image1->isVisibleTo(m_form.get()));
}

void AppearanceTest::fillColourMode()
{
    m_start->WriteFile(QStringLiteral("Ortus00.ini"),
                       CrLfLines({"Fon.jpg", "255", "1", "0", "0", "0", "0", "", ""}));
    Create();
    QVERIFY(!m_form->Image1->isVisible());
    QCOMPARE(TextColour(m_form.get(), QPalette::Window), QColor(255, 0, 0));
    // The picture is loaded even though it is hidden.
    QVERIFY(!m_form->Image1->Picture().isNull());
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

void AppearanceTest::pictureIsReloadedAtEveryModeSwitch()
{
    m_start->WriteFile(QStringLiteral("pic.bmp"), Bitmap(Qt::red));
    m_start->WriteFile(QStringLiteral("Ortus00.ini"),
                       CrLfLines({"pic.bmp", "0", "0", "0", "0", "0", "0", "Results.txt", ""}));
    Create();
    QCOMPARE(m_form->Image1->Picture().pixelColor(2, 2), QColor(Qt::red));

    m_start->WriteFile(QStringLiteral("pic.bmp"), Bitmap(Qt::blue));
    m_form->Memo1Click();
    m_form->Edit1->setText(QStringLiteral("Ученик"));
    m_form->ComboBox1->setCurrentIndex(0);
    m_form->Edit3->setText(QStringLiteral("5А"));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(m_form->TestRunning());
    QCOMPARE(m_form->Image1->Picture().pixelColor(2, 2), QColor(Qt::blue));

    m_start->WriteFile(QStringLiteral("pic.bmp"), Bitmap(Qt::green));
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    QVERIFY(!m_form->TestRunning());
    QCOMPARE(m_form->Image1->Picture().pixelColor(2, 2), QColor(Qt::green));
}

QTEST_MAIN(AppearanceTest)
#include "tst_appearance.moc"
