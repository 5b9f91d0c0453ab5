#include "platform/statuspanels.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>

#include <algorithm>

namespace {

// A screen reader sees a status bar with its panels' texts, not a plain group of labels.
QAccessibleInterface *StatusPanelsAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("StatusPanels") && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
    }
    return nullptr;
}

} // namespace

StatusPanels::StatusPanels(const QList<int> &panelWidths, QWidget *parent) : QWidget(parent)
{
    // The system's colours, whatever colour the window it sits in is filled with.
    QPalette systemColours = palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText}) {
        systemColours.setColor(role, QApplication::palette().color(role));
    }
    setPalette(systemColours);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(StatusPanelsAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    int left = 0;
    for (const int width : panelWidths) {
        auto *panel = new QLabel(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(2);
        panel->setGeometry(left, 2, width - 2, 17);
        m_panels.append(panel);
        left += width;
    }
}

void StatusPanels::SetPanelText(int index, const QString &text)
{
    m_panels.at(index)->setText(text);
}

QString StatusPanels::PanelText(int index) const
{
    return m_panels.at(index)->text();
}

void StatusPanels::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_panels.isEmpty()) {
        return;
    }
    QLabel *last = m_panels.last();
    last->resize(std::max(0, width() - last->x()), last->height());
}
