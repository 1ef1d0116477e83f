#include "calendarfilehandlers.h"

#include "tasks/calendarfiles.h"

#include "services/filechooser.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QAction>
#include <QDir>
#include <QStandardPaths>

namespace {
const QString kCalendarFilter = QStringLiteral("Calendario iCalendar (*.ics);;Tutti i file (*)");
}

CalendarFileHandlers::CalendarFileHandlers(const Controls &controls, Diary &diary, Prompter &prompter,
                                   StoreFailure &storeFailure, FileChooser &files, QObject *parent)
    : QObject(parent), m_controls(controls), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
      m_files(&files)
{
    setObjectName(QStringLiteral("calendarFileHandlers"));
    connect(controls.exportAction, &QAction::triggered, this, &CalendarFileHandlers::exportCalendar);
    connect(controls.importAction, &QAction::triggered, this, &CalendarFileHandlers::importCalendar);
}

QString CalendarFileHandlers::suggestedFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void CalendarFileHandlers::exportCalendar()
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

void CalendarFileHandlers::importCalendar()
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
