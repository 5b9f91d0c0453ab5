#pragma once

#include <QList>
#include <QWidget>

class QLabel;

// A status bar of fixed-width text panels, without a size grip.
class StatusPanels : public QWidget {
    Q_OBJECT
public:
    StatusPanels(const QList<int> &panelWidths, QWidget *parent = nullptr);

    void SetPanelText(int index, const QString &text);
    QString PanelText(int index) const;
    int PanelCount() const { return static_cast<int>(m_panels.size()); }

private:
    QList<QLabel *> m_panels;
};
