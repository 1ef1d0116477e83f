#pragma once

#include "domain/reminderschedule.h"
#include "services/notifier.h"

#include <QObject>
#include <QPointer>
#include <memory>

class Diary;
class QAction;
class QTimer;
class QWidget;
class ReminderPopup;

// Announces each coming appointment once, ahead by the minutes chosen in "Promemoria...",
// through the desktop's notification service or, without one, the diary's own small window.
// The clock is looked at every few seconds against the wall time, never with one long timer,
// so a suspended machine or a clock set anew neither loses nor repeats an announcement.
class RemindHandlers : public QObject
{
    Q_OBJECT

public:
    // Without a notifier, the session bus's notification service.
    RemindHandlers(QAction *settingsAction, QWidget *window, Diary &diary, QObject *parent,
                   std::unique_ptr<Notifier> notifier = {});
    ~RemindHandlers() override;

    // Announces what is due now; the stored appointments changed, the clock moved, or the
    // setting did.
    void check();
    // The first look at the clock, due once the window is up, waits for check() instead: it
    // reads every stored row, which the window's first frame does not wait for.
    void holdFirstCheck();

private:
    void openSettings();
    void announce(const Reminder &reminder);

    QWidget *m_window;
    Diary &m_diary;
    std::unique_ptr<Notifier> m_notifier;
    ReminderSchedule m_schedule;
    QTimer *m_timer;
    QPointer<ReminderPopup> m_popup;
};
