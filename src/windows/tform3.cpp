#include "windows/tform3.h"

#include "platform/handlerguard.h"
#include "runtime/cp1251.h"
#include "settings/appearanceview.h"
#include "settings/commands.h"
#include "windows/emblem.h"

#include <QLabel>
#include <QToolButton>

namespace {

constexpr int ClientWidth = 192;
constexpr int ClientHeight = 92;

// The emblem shows through the buttons; under the mouse a button gains a raised frame, pressed a
// sunken one, and never a filled face.
const char *const FlatButtonStyle = "QToolButton { background: transparent;"
                                    " border: 1px solid transparent; }"
                                    "QToolButton:hover { border-color: white gray gray white; }"
                                    "QToolButton:pressed { border-color: gray white white gray; }";

} // namespace

TForm3::TForm3(TeacherCommands &commands, Dialogs &dialogs, QWidget *parent)
    : AuxiliaryWindow(QStringLiteral("Выбор рисунка ... "), QSize(ClientWidth, ClientHeight),
                      parent),
      m_commands(commands), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form3"));
    setFont(BoldSansSerifFont(11));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, ClientWidth, ClientHeight);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap::fromImage(DrawBackgroundChoiceEmblem()));

    SpeedButton1 =
        CreateButton(5, QStringLiteral("Заливка..."),
                     QStringLiteral("Изменение цвета заливки окна"), &TForm3::SpeedButton1Click);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton2 = CreateButton(35, QStringLiteral("Рисунок..."),
                                QStringLiteral("Изменение цвета фонового рисунка"),
                                &TForm3::SpeedButton2Click);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton3 =
        CreateButton(65, QStringLiteral("Отмена"), QStringLiteral("Вернуться к программе"),
                     &TForm3::SpeedButton3Click);
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
}

QToolButton *TForm3::CreateButton(int top, const QString &caption, const QString &hint,
                                  void (TForm3::*handler)())
{
    auto *button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(5, top, 185, 25);
    button->setFont(BoldSansSerifFont(16));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, QColor(0, 255, 255));
    button->setPalette(palette);
    button->setStyleSheet(QString::fromLatin1(FlatButtonStyle));
    button->setText(caption);
    button->setToolTip(hint);
    connect(button, &QToolButton::clicked, this,
            [this, handler] { RunGuarded(m_dialogs, [this, handler] { (this->*handler)(); }); });
    return button;
}

void TForm3::SpeedButton1Click()
{
    if (!m_dialogs.ChooseColour(ColorDialog1)) {
        return;
    }
    Settings &settings = m_commands.Config();
    settings.FillColor = ColorDialog1.Colour;
    m_commands.View().ShowBackgroundPicture(false);
    m_commands.View().SetWindowColour(settings.FillColor);
    settings.UseFillColor = 1;
    m_commands.WriteIni();
    close();
}

void TForm3::SpeedButton2Click()
{
    Settings &settings = m_commands.Config();
    if (const std::optional<QString> chosen = m_dialogs.OpenPicture()) {
        // A longer path cannot be stored, and a cut one would name another file, so the stored
        // picture stays.
        const std::string path = StoredPath(*chosen);
        if (path.size() > Settings::PicturePathCapacity) {
            m_dialogs.Information(QStringLiteral("Слишком длинный путь к рисунку (больше %1 байт). "
                                                 "Оставлен прежний рисунок.")
                                      .arg(Settings::PicturePathCapacity));
        } else {
            settings.BackgroundPicturePath = path;
            // Written with the background mode as it was; the mode follows in the next write.
            m_commands.WriteIni();
        }
    }
    m_commands.View().ShowBackgroundPicture(true);
    settings.UseFillColor = 0;
    m_commands.WriteIni();
    close();
}

void TForm3::SpeedButton3Click()
{
    close();
}
