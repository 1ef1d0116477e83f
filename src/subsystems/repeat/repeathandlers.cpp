#include "repeathandlers.h"

#include "domain/diary.h"
#include "domain/entryrules.h"
#include "regional/regional.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QAction>
#include <QLineEdit>

RepeatHandlers::RepeatHandlers(const Controls &controls, Diary &diary, Prompter &prompter,
                               StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_controls(controls), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure)
{
    connect(controls.repeatAction, &QAction::triggered, this, &RepeatHandlers::open);
    controls.repeatAction->setEnabled(true);
}

void RepeatHandlers::open()
{
    if (m_window) {
        m_window->raise();
        return;
    }
    m_window = new RepeatWindow(m_controls.dateEdit->text(), m_controls.timeEdit->text(), m_controls.textEdit->text(),
                                m_controls.window);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_window, &RepeatWindow::confirmed, this, &RepeatHandlers::apply);
    m_window->show();
}

Appointments RepeatHandlers::occurrences()
{
    // The first appointment passes the insertion's checks, with its messages.
    const std::variant<EntryRules::Entry, EntryRules::Refusal> checked =
        EntryRules::check(m_window->dateText(), m_window->timeText(), m_window->text());
    if (const auto *refusal = std::get_if<EntryRules::Refusal>(&checked)) {
        if (!refusal->message.isEmpty())
            m_prompter.message(refusal->message);
        m_window->select(refusal->field);
        return {};
    }
    const EntryRules::Entry &first = std::get<EntryRules::Entry>(checked);
    if (m_window->endsAtDate() && !Regional::parseDate(m_window->untilText()).isValid()) {
        m_prompter.message(QStringLiteral("Data finale non valida: %1").arg(m_window->untilText()));
        m_window->selectUntil();
        return {};
    }
    const Repetition::Series series = m_window->series();
    if (series.tooMany || series.dates.isEmpty()) {
        m_prompter.message(series.tooMany ? QStringLiteral("Troppi appuntamenti: una serie ne ha al massimo %1.\n"
                                                           "Scegliere una data finale più vicina.")
                                                .arg(Repetition::kMaxOccurrences)
                                          : QStringLiteral("La data finale precede la data del primo appuntamento."));
        m_window->selectUntil();
        return {};
    }
    Appointments made;
    made.reserve(series.dates.size());
    for (const QDate &date : series.dates)
        made << Appointment::typed(date, first.time, first.text);
    return made;
}

void RepeatHandlers::apply()
{
    if (!m_window)
        return;
    const Appointments series = occurrences();
    if (series.isEmpty() || !store(series))
        return;
    m_window->accept();
    emit seriesStored();
}

bool RepeatHandlers::store(const Appointments &series)
{
    try {
        // Refused before anything is written, naming the room there is.
        const int free = m_diary.freeRows();
        if (series.size() > free) {
            m_prompter.message(QStringLiteral("Appuntamenti non inseriti: il foglio ha %1 righe libere, "
                                              "la serie ne chiede %2.")
                                   .arg(free)
                                   .arg(series.size()));
            return false;
        }
        m_diary.insertAll(series, [this](const std::optional<StoreError> &failure) {
            if (failure)
                m_storeFailure.saveFailed(*failure, StoreFailure::Written::Appointments);
        });
    } catch (const StoreError &e) {
        m_prompter.message(QStringLiteral("Appuntamenti non inseriti.\n") + e.description());
        m_storeFailure.recoverIfGone(e);
        return false;
    }
    m_prompter.message(QStringLiteral("Inseriti %1 appuntamenti").arg(series.size()));
    return true;
}
