#pragma once

#include <QMainWindow>

#include <memory>

class BanksTab;
class QAction;
class QDialog;
class QMenu;
class QTabWidget;
class ResultsTab;
class TeacherDialogs;

// The teacher's window, ortus-teacher: the question banks of a start directory in its first tab,
// the results its quiz logs in the second.
// It keeps nothing outside the start directory but its own size and position.
class TeacherWindow : public QMainWindow {
    Q_OBJECT
public:
    // When the results tab is built: with the window, or (for the program's start) right after
    // the window's first paint, or sooner when the teacher opens it.
    enum class ResultsBuilt { AtOnce, AfterFirstPaint };

    // Without dialogs it uses Qt's own; the size and position live in geometryFile.
    explicit TeacherWindow(TeacherDialogs *dialogs = nullptr,
                           const QString &geometryFile = DefaultGeometryFile(),
                           QWidget *parent = nullptr, ResultsBuilt results = ResultsBuilt::AtOnce);
    ~TeacherWindow() override;

    // ortus-teacher.conf in the user's configuration folder (~/.config/ortus/).
    static QString DefaultGeometryFile();
    // Switches to the results tab, built first when it waits.
    ResultsTab &OpenResultsTab();
    // A window that would not fit the free area of the screen it opens on (a first start on a
    // classroom PC's 1024 × 768, or a size kept from a larger screen) opens maximized there, and
    // its normal size fits too.
    void FitToScreen(const QRect &available);

    QTabWidget *Tabs = nullptr;
    BanksTab *Banks = nullptr;
    // Null while it waits to be built.
    ResultsTab *Results = nullptr;
    // Menu "Справка": the keys and the banks' source format, in a window of its own.
    QAction *ShowHelp = nullptr;
    QDialog *Help = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateMenus();
    // Builds the results tab when it waits, and has it read the start directory opened meanwhile.
    void BuildResults();
    void UpdateTitle();
    void OpenHelp();

    std::unique_ptr<TeacherDialogs> m_ownDialogs;
    TeacherDialogs *m_dialogs = nullptr;
    QString m_geometryFile;
    bool m_painted = false;
    // The results tab's page while the tab waits to be built.
    QWidget *m_resultsPlaceholder = nullptr;
    QMenu *m_resultsMenu = nullptr;
    // The start directory whose results wait for the window's first paint.
    QString m_resultsFolder;
};
