#include "workbench/teacherdialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdio>

namespace {

const QString Title = QStringLiteral("Ортус 2000 — учитель");

std::optional<QString> Chosen(const QString &path)
{
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

} // namespace

void QtTeacherDialogs::Error(const QString &text)
{
    QMessageBox::warning(m_window, Title, text);
}

TeacherDialogs::Unsaved QtTeacherDialogs::AskUnsaved(const QString &bankName)
{
    QMessageBox box(
        QMessageBox::Question, Title,
        QStringLiteral("В банке «%1» есть несохранённые правки. Сохранить их?").arg(bankName),
        QMessageBox::NoButton, m_window);
    QPushButton *save = box.addButton(QStringLiteral("Сохранить"), QMessageBox::AcceptRole);
    QPushButton *discard =
        box.addButton(QStringLiteral("Не сохранять"), QMessageBox::DestructiveRole);
    box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save) {
        return Unsaved::Save;
    }
    return box.clickedButton() == discard ? Unsaved::Discard : Unsaved::Cancel;
}

std::optional<QString> QtTeacherDialogs::ChooseFolder(const QString &start)
{
    return Chosen(QFileDialog::getExistingDirectory(
        m_window, QStringLiteral("Папка программы тестирования"), start,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog));
}

std::optional<QString> QtTeacherDialogs::OpenFile(const QString &title, const QString &folder,
                                                  const QString &filter)
{
    return Chosen(QFileDialog::getOpenFileName(m_window, title, folder, filter, nullptr,
                                               QFileDialog::DontUseNativeDialog));
}

std::optional<QString> QtTeacherDialogs::SaveFile(const QString &title,
                                                  const QString &suggestedPath,
                                                  const QString &filter)
{
    QFileDialog dialog(m_window, title, suggestedPath, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without a suffix gets the filter's: "results" is saved as "results.csv", and
    // the question about replacing a file asks about that name.
    const QRegularExpressionMatch suffix =
        QRegularExpression(QStringLiteral(R"(\*\.(\w+))")).match(filter);
    if (suffix.hasMatch()) {
        dialog.setDefaultSuffix(suffix.captured(1));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return Chosen(dialog.selectedFiles().front());
}

bool QtTeacherDialogs::SetUpPrinter(QPrinter &printer)
{
    QPrintDialog dialog(&printer, m_window);
    return dialog.exec() == QDialog::Accepted;
}

void UnattendedTeacherDialogs::Error(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}
