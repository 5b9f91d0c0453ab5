#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "support/mainwindow.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"
#include "workbench/bankstab.h"
#include "workbench/questioneditor.h"
#include "workbench/questionpreview.h"
#include "workbench/teacherdialogs.h"
#include "workbench/teacherwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <memory>
#include <random>

// The teacher's window, offscreen, on a copy of the shipped start directory.
namespace {

class TeacherScript : public TeacherDialogs {
public:
    void Error(const QString &text) override { errors.append(text); }
    Unsaved AskUnsaved(const QString &) override
    {
        return answers.isEmpty() ? Unsaved::Cancel : answers.takeFirst();
    }
    std::optional<QString> ChooseFolder(const QString &) override { return std::nullopt; }
    std::optional<QString> OpenSource(const QString &) override { return std::nullopt; }
    std::optional<QString> SaveSource(const QString &) override { return std::nullopt; }

    QStringList errors;
    QList<Unsaved> answers;
};

} // namespace

class TestTeacherWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_config;
    TeacherScript m_dialogs;

    QString GeometryFile() const { return m_config.filePath("ortus/ortus-teacher.conf"); }

private slots:
    // Open the start directory, edit through the keys, save; the quiz reads what was saved.
    void editAndSave()
    {
        StartDirectoryFixture start(ShippedStartDirectory());
        TeacherWindow window(&m_dialogs, GeometryFile());
        BanksTab &banks = *window.Banks;
        QVERIFY(banks.OpenStartDirectory(start.path()));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(banks.Banks->item(1, 1)->text(), QStringLiteral("Vop67.dat"));

        QTest::keyClick(&window, Qt::Key_2, Qt::AltModifier);
        BankDocument &document = banks.Document();
        QVERIFY(document.FilePath().endsWith("Vop67.dat"));
        const QRect second =
            banks.QuestionList->visualRect(document.index(1, BankDocument::TextColumn));
        QTest::mouseClick(banks.QuestionList->viewport(), Qt::LeftButton, {}, second.center());
        QLineEdit *text = banks.Editor->Text;
        text->setFocus();
        text->selectAll();
        QTest::sendKeyEvent(QTest::Click, text, Qt::Key_unknown, QStringLiteral("Новый вопрос"),
                            Qt::NoModifier);
        const int correct = document.Question(1).correct;
        QTest::keyClick(text, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(document.Question(1).correct, 3);
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(document.Question(1).correct, correct);
        QCOMPARE(text->text(), QStringLiteral("Новый вопрос"));
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window.isWindowModified());

        QTest::keyClick(text, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs.errors, QStringList());
        QVERIFY(!window.isWindowModified());
        auto bank = std::make_unique<QuestionBank>();
        std::mt19937 generator;
        LoadBank(*bank, start.filePath("Vop67.dat").toStdString(), generator);
        QCOMPARE(FromCp1251(bank->QuestionTexts[2]), QStringLiteral("Новый вопрос"));
        QVERIFY(IsCorrectAnswer(*bank, 2, 3));

        // A question moved with the keys stays the one in the editor.
        QTest::keyClick(text, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(banks.QuestionList->currentIndex().row(), 2);
        QCOMPARE(text->text(), QStringLiteral("Новый вопрос"));

        // Unsaved changes are asked about; the size and position are kept on closing.
        m_dialogs.answers = {TeacherDialogs::Unsaved::Cancel, TeacherDialogs::Unsaved::Discard};
        QVERIFY(!window.close());
        QVERIFY(window.close());
        QVERIFY(QFile::exists(GeometryFile()));
    }

    // The preview's question and answers are the test window's pixels, at rest and under the
    // pointer.
    void previewIsTheTestWindow()
    {
        MainWindowFixture quizWindow;
        QVERIFY(quizWindow.Open());
        quizWindow.StartTest(QStringLiteral("Ученик"), 0, QStringLiteral("5А"));
        TForm1 &quiz = *quizWindow.form;
        const int question = quiz.Quiz().Bank.QuestionOrder[1];

        TeacherWindow window(&m_dialogs, GeometryFile());
        QVERIFY(window.Banks->OpenStartDirectory(quizWindow.start.path()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Banks->QuestionList->setCurrentIndex(
            window.Banks->Document().index(question - 1, BankDocument::TextColumn));
        QuestionPreview &preview = *window.Banks->Preview;

        const auto compare = [&] {
            const QImage expected = quiz.grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QImage shown = preview.StageImage();
            QVERIFY(quiz.EffectLabel2->isVisible());
            for (QWidget *control :
                 {static_cast<QWidget *>(quiz.Label1), static_cast<QWidget *>(quiz.EffectLabel1),
                  static_cast<QWidget *>(quiz.EffectLabel2)}) {
                const QRect area = control->geometry();
                QVERIFY2(shown.copy(area) == expected.copy(area),
                         qPrintable(control->objectName()));
            }
        };
        compare();
        quiz.EffectLabelMouseMove(2);
        // The label's centre, where the preview draws it.
        QSize stage(QuestionPreview::StageWidth, QuestionPreview::StageHeight);
        stage.scale(preview.size(), Qt::KeepAspectRatio);
        const QPoint centre = quiz.EffectLabel2->geometry().center();
        QTest::mouseMove(&preview,
                         QPoint((preview.width() - stage.width()) / 2 +
                                    centre.x() * stage.width() / QuestionPreview::StageWidth,
                                (preview.height() - stage.height()) / 2 +
                                    centre.y() * stage.height() / QuestionPreview::StageHeight));
        compare();
    }
};

QTEST_MAIN(TestTeacherWindow)
#include "tst_teacherwindow.moc"
