#pragma once

#include "tasks/syncengine.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class Diary;
class Prompter;
class QAction;
class QStatusBar;
class QWidget;
class ServerAccount;
class ServerWindow;
class StoreFailure;

// "Calendario sul server..." and "Aggiorna dal server" (F5): the server window, and when the
// diary is synchronised: at start, every five minutes, on F5; and each write of its own is sent.
// Without an address nothing of this runs.
class SyncHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QWidget *window;
        QAction *serverAction;
        QAction *refreshAction;
        QStatusBar *statusLine;  // hidden but while a long run shows how far it has got
    };

    SyncHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                 QObject *parent);
    ~SyncHandlers() override;

    // The run is ending, or the workbook going to the user: a run under way gets a few seconds,
    // then nothing more runs; what is pending goes at the next start.
    void finish();

    SyncEngine &engine() { return m_engine; }

signals:
    // The server changed what the diary holds: rows moved, so what the lists show is stale.
    void diaryUpdated();

private:
    void configure();
    bool plainHttpAllowed(const QUrl &url);
    void startWith(const CalDavClient::Account &account);
    void askPassword();
    void showWindow();
    void probe();
    void save();
    void runFinished(const SyncEngine::Summary &summary);
    void progressed(const SyncEngine::Progress &progress);
    void diaryChanged();
    void afterModalWindows();
    void stopWatching();
    bool eventFilter(QObject *watched, QEvent *event) override;

    Controls m_controls;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    ServerAccount *m_account;
    SyncEngine m_engine;
    CalDavClient m_prober;
    QTimer m_every;
    QTimer m_afterWrite;
    QPointer<ServerWindow> m_window;
    // The modal window a run found holding the diary: the next run starts when it goes.
    QPointer<QWidget> m_modal;
    // The plain http address the user said yes to in this run.
    QUrl m_allowed;
    bool m_noticeGiven = false;
    bool m_finished = false;
    int m_received = 0;
};
