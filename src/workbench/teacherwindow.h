#pragma once

#include <QMainWindow>

#include <memory>

class BanksTab;
class QAction;
class QDialog;
class QTabWidget;
class ResultsTab;
class TeacherDialogs;

// The teacher's window, ortus-teacher: the question banks of a start directory in its first tab,
// the results its quiz logs in the second.
// It keeps nothing outside the start directory but its own size and position.
class TeacherWindow : public QMainWindow {
    Q_OBJECT
public:
    // Without dialogs it uses Qt's own; the size and position live in geometryFile.
    explicit TeacherWindow(TeacherDialogs *dialogs = nullptr,
                           const QString &geometryFile = DefaultGeometryFile(),
                           QWidget *parent = nullptr);
    ~TeacherWindow() override;

    // ortus-teacher.conf in the user's configuration folder (~/.config/ortus/).
    static QString DefaultGeometryFile();

    QTabWidget *Tabs = nullptr;
    BanksTab *Banks = nullptr;
    ResultsTab *Results = nullptr;
    // Menu "Справка": the keys and the banks' source format, in a window of its own.
    QAction *ShowHelp = nullptr;
    QDialog *Help = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateMenus();
    void UpdateTitle();
    void OpenHelp();

    std::unique_ptr<TeacherDialogs> m_ownDialogs;
    QString m_geometryFile;
    bool m_painted = false;
    // The start directory whose results wait for the window's first paint.
    QString m_resultsFolder;
};
