#pragma once

#include <QMainWindow>
#include <memory>

class BrowseHandlers;
class Diary;
class EntryHandlers;
class CalendarFileHandlers;
class PeriodHandlers;
class HandOverHandlers;
class WebLink;
class FileChooser;
class FindHandlers;
class LinkImage;
class ManageHandlers;
class PrintHandlers;
class Prompter;
class QCalendarWidget;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QListView;
class QListWidget;
class QPushButton;
class QStatusBar;
class QTimer;
class RemindHandlers;
class RepeatHandlers;
class StoreFailure;
class SyncHandlers;

// The main window. It owns its controls and hands each subsystem only those it works with;
// what one subsystem does to another goes through the signals connected in wireHandlers().
// The controls keep their design names as object names (see README's glossary).
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    // What needs the stored rows (the busy days in bold, the reminders' first look at the
    // clock) comes as the window is built, or, at start-up, only with afterFirstFrame(), so that
    // the rows are read once the window is on the screen.
    enum class Rows { AtOnce, AfterFirstFrame };

    Form1(Diary &diary, Prompter &prompter, QWidget *parent = nullptr);
    Form1(Diary &diary, Prompter &prompter, Rows rows, QWidget *parent = nullptr);
    ~Form1() override;

    // Ends the run without the shutdown sequence: the workbook was handed over.
    void endWithoutShutdown();
    // The busy days of the month shown marked, and the reminders started.
    void afterFirstFrame();
    bool hasEnded() const { return m_ended; }
    // The failure rule every subsystem of this window follows; one that must end the run closes it.
    StoreFailure &storeFailure() { return *m_storeFailure; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void wireHandlers(Rows rows);
    void markBusyDays();

    Diary &m_diary;
    Prompter &m_prompter;
    std::unique_ptr<StoreFailure> m_storeFailure;
    bool m_ended = false;

    QAction *handOverAction = nullptr;
    QMenu *appointmentsMenu = nullptr;
    QMenu *calendarMenu = nullptr;
    QAction *changeAction = nullptr;
    QAction *deleteAction = nullptr;
    QAction *undoAction = nullptr;
    QAction *findAction = nullptr;
    QAction *remindAction = nullptr;
    QAction *repeatAction = nullptr;
    QAction *serverAction = nullptr;
    QAction *refreshAction = nullptr;
    QAction *periodAction = nullptr;
    QAction *exportAction = nullptr;
    QAction *importAction = nullptr;
    QCalendarWidget *calendar = nullptr;
    QLabel *dateCaption = nullptr;
    QLabel *timeCaption = nullptr;
    QLabel *textCaption = nullptr;
    QLineEdit *dateEdit = nullptr;
    QLineEdit *timeEdit = nullptr;
    QLineEdit *textEdit = nullptr;
    QPushButton *insertButton = nullptr;
    QPushButton *printButton = nullptr;
    QPushButton *clearButton = nullptr;
    QPushButton *exitButton = nullptr;
    QLabel *dayListCaption = nullptr;
    QCheckBox *showAllCheck = nullptr;
    QListWidget *timesList = nullptr;
    QListView *textsList = nullptr;
    QLabel *clockLabel = nullptr;
    QTimer *clockTimer = nullptr;
    QLabel *creditsLabel = nullptr;
    LinkImage *linkImage = nullptr;
    QStatusBar *statusLine = nullptr;

    std::unique_ptr<EntryHandlers> m_entry;
    std::unique_ptr<BrowseHandlers> m_browse;
    std::unique_ptr<PrintHandlers> m_print;
    std::unique_ptr<HandOverHandlers> m_handOver;
    std::unique_ptr<WebLink> m_webLink;
    std::unique_ptr<FindHandlers> m_find;
    std::unique_ptr<ManageHandlers> m_manage;
    std::unique_ptr<RemindHandlers> m_remind;
    std::unique_ptr<RepeatHandlers> m_repeat;
    std::unique_ptr<SyncHandlers> m_sync;
    std::unique_ptr<FileChooser> m_fileChooser;
    std::unique_ptr<PeriodHandlers> m_period;
    std::unique_ptr<CalendarFileHandlers> m_calendarFiles;
};
