#include "exchangehandlers.h"

#include "periodwindow.h"
#include "tasks/calendarfiles.h"

#include "regional/regional.h"
#include "services/filechooser.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"
#include "regional/clock.h"

#include <QAction>
#include <QDir>
#include <QStandardPaths>

namespace {
const QString kCalendarFilter = QStringLiteral("Calendario iCalendar (*.ics);;Tutti i file (*)");
}

ExchangeHandlers::ExchangeHandlers(const Controls &controls, Diary &diary, Prompter &prompter,
                                   StoreFailure &storeFailure, FileChooser &files, QObject *parent)
    : QObject(parent), m_controls(controls), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
      m_files(&files)
{
    setObjectName(QStringLiteral("exchangeHandlers"));
    connect(controls.periodAction, &QAction::triggered, this, &ExchangeHandlers::showPeriodWindow);
    connect(controls.exportAction, &QAction::triggered, this, &ExchangeHandlers::exportCalendar);
    connect(controls.importAction, &QAction::triggered, this, &ExchangeHandlers::importCalendar);
}

void ExchangeHandlers::dayListed(const QString &dateText)
{
    m_listed = Regional::parseDate(dateText);
}

QString ExchangeHandlers::suggestedFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void ExchangeHandlers::showPeriodWindow()
{
    if (!m_period)
        m_period = new PeriodWindow(m_diary, m_prompter, m_storeFailure, *m_files, m_controls.window);
    m_period->setPeriod(Period::day(m_listed.isValid() ? m_listed : Clock::today()));
    m_period->show();
    m_period->raise();
    m_period->activateWindow();
}

void ExchangeHandlers::exportCalendar()
{
    const QString path = m_files->fileToSave(QStringLiteral("Esporta calendario"),
                                             QDir(suggestedFolder()).filePath(QStringLiteral("Vespolari.ics")),
                                             kCalendarFilter);
    if (path.isEmpty())
        return;
    try {
        const CalendarFiles::Outcome outcome = CalendarFiles::exportTo(m_diary, path);
        m_prompter.message(outcome.text, outcome.done ? Prompter::Icon::Information : Prompter::Icon::Stop);
    } catch (const StoreError &e) {
        m_storeFailure.unforeseen(e);
    }
}

void ExchangeHandlers::importCalendar()
{
    const QString path = m_files->fileToOpen(QStringLiteral("Importa calendario"), suggestedFolder(), kCalendarFilter);
    if (path.isEmpty())
        return;
    try {
        const CalendarFiles::Outcome outcome =
            CalendarFiles::importFrom(m_diary, path, [this](const std::optional<StoreError> &failure) {
                if (failure)
                    m_storeFailure.saveFailed(*failure, StoreFailure::Written::Appointments);
            });
        m_prompter.message(outcome.text, outcome.done ? Prompter::Icon::Information : Prompter::Icon::Stop);
    } catch (const StoreError &e) {
        m_storeFailure.unforeseen(e);
    }
}
