#include "remindhandlers.h"

#include "reminderpopup.h"
#include "reminderwindow.h"
#include "tasks/remindersettings.h"

#include "domain/diary.h"
#include "services/dbusnotifier.h"
#include "store/storeerror.h"
#include "regional/clock.h"

#include <QAction>
#include <QDateTime>
#include <QTimer>

namespace {

// How often the wall clock is looked at, at most.
constexpr int kCheckMs = 20000;

} // namespace

RemindHandlers::RemindHandlers(QAction *settingsAction, QWidget *window, Diary &diary, QObject *parent,
                               std::unique_ptr<Notifier> notifier)
    : QObject(parent), m_window(window), m_diary(diary), m_notifier(std::move(notifier)), m_timer(new QTimer(this))
{
    if (!m_notifier)
        m_notifier = std::make_unique<DBusNotifier>();
    m_timer->setObjectName(QStringLiteral("TimerPromemoria"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &RemindHandlers::check);
    connect(settingsAction, &QAction::triggered, this, &RemindHandlers::openSettings);
    connect(&diary, &Diary::changed, this, &RemindHandlers::check);
    settingsAction->setEnabled(true);
    // Once the window is up: what starts within the lead time is announced at once.
    m_timer->start(0);
}

RemindHandlers::~RemindHandlers() = default;

void RemindHandlers::holdFirstCheck()
{
    m_timer->stop();
}

void RemindHandlers::check()
{
    m_timer->start(kCheckMs);
    const ReminderSettings settings = ReminderSettings::load();
    if (!settings.active || m_diary.path().isEmpty())
        return;
    const QDateTime now = Clock::now();
    ReminderSchedule::Plan plan;
    try {
        plan = m_schedule.take(m_diary.stored(), now, settings.minutes);
    } catch (const StoreError &) {
        // Without the office there is nothing to read; the next step that writes says why.
        return;
    }
    for (const Reminder &reminder : plan.due)
        announce(reminder);
    if (plan.next.isValid())
        m_timer->start(int(qBound(qint64(1000), now.msecsTo(plan.next) + 500, qint64(kCheckMs))));
}

void RemindHandlers::announce(const Reminder &reminder)
{
    const QString summary = reminder.summary();
    const QString body = reminder.text;
    QPointer<RemindHandlers> self(this);
    m_notifier->notify(summary, body, [self, summary, body](bool shown) {
        if (shown || !self)
            return;
        if (!self->m_popup)
            self->m_popup = new ReminderPopup(self->m_window);
        self->m_popup->add(summary, body);
        self->m_popup->show();
    });
}

void RemindHandlers::openSettings()
{
    auto *window = new ReminderWindow(m_window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &ReminderWindow::settingsChanged, this, &RemindHandlers::check);
    window->show();
}
