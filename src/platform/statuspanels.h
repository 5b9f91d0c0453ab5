#pragma once

#include <QList>
#include <QWidget>

class QLabel;

// A status bar of text panels, without a size grip. Each panel has its given width except the
// last, which reaches to the right edge of the bar, as status bars do.
class StatusPanels : public QWidget {
    Q_OBJECT
public:
    StatusPanels(const QList<int> &panelWidths, QWidget *parent = nullptr);

    void SetPanelText(int index, const QString &text);
    QString PanelText(int index) const;
    int PanelCount() const { return static_cast<int>(m_panels.size()); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<QLabel *> m_panels;
};
