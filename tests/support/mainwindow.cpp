#include "support/mainwindow.h"

#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "support/bankfixtures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

MainWindowFixture::MainWindowFixture(int timeLimit) : start(ShippedStartDirectory())
{
    WriteBanks(timeLimit);
}

MainWindowFixture::~MainWindowFixture() = default;

void MainWindowFixture::WriteBanks(int timeLimit) const
{
    const QByteArray bank = QByteArray::fromStdString(WriteBankBytes(timeLimit, ThreeQuestions()));
    for (const char *name : BankFileNames) {
        start.WriteFile(QString::fromLatin1(name), bank);
    }
}

bool MainWindowFixture::Open()
{
    form = std::make_unique<TForm1>(dialogs);
    form->show();
    form->activateWindow();
    return QTest::qWaitForWindowActive(form.get()) &&
           QTest::qWaitFor([this] { return form->StartIsFinished(); });
}

void MainWindowFixture::StartTest(const QString &name, int grade, const QString &group)
{
    if (form->Memo1->isVisible()) {
        QTest::mouseClick(form->Memo1->viewport(), Qt::LeftButton);
    }
    form->Edit1->setText(name);
    form->ComboBox1->setCurrentIndex(grade);
    form->Edit3->setText(group);
    QTest::mouseClick(form->Button1, Qt::LeftButton);
}

const BankQuestion *MainWindowFixture::QuestionOnScreen() const
{
    const QuizState &quiz = form->Quiz();
    const std::size_t question = quiz.Bank.QuestionOrder[quiz.CurrentPosition];
    const std::vector<BankQuestion> &questions = ThreeQuestions();
    return question >= 1 && question <= questions.size() ? &questions[question - 1] : nullptr;
}

void MainWindowFixture::Answer(bool right, Qt::MouseButton button)
{
    const BankQuestion *question = QuestionOnScreen();
    QVERIFY2(question != nullptr, "no question of the bank on screen");
    const int n = right ? question->correct : (question->correct == 1 ? 2 : 1);
    QTest::mouseClick(form->AnswerLabels[static_cast<std::size_t>(n - 1)], button, {},
                      QPoint(20, 20));
}

void MainWindowFixture::Finish(Dialogs::Answer answer)
{
    dialogs.QueueAnswer(answer);
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
}

QStringList MainWindowFixture::Errors() const
{
    QStringList errors;
    for (const ScriptedDialogs::Shown &box : dialogs.shown()) {
        if (box.kind == ScriptedDialogs::Kind::Error) {
            errors.append(box.text);
        }
    }
    return errors;
}
