#include "insertion.h"

#include "entryfields.h"

#include "domain/diary.h"
#include "domain/entryrules.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"

bool Insertion::run()
{
    const Typed typed{m_fields.dateText(), m_fields.timeText(), m_fields.text()};
    const std::variant<EntryRules::Entry, EntryRules::Refusal> checked =
        EntryRules::check(typed.date, typed.time, typed.text);
    if (const auto *refusal = std::get_if<EntryRules::Refusal>(&checked)) {
        if (!refusal->message.isEmpty())
            m_prompter.message(refusal->message);
        m_fields.select(refusal->field);
        return false;
    }
    const EntryRules::Entry &entry = std::get<EntryRules::Entry>(checked);
    if (store(Appointment::typed(entry.date, entry.time, entry.text)) == 0)
        return false;
    if (!m_diary.officeAlive()) {
        // The open workbook went with the office: the appointment is lost, not pending, and
        // its text stays in the fields for the next click.
        lost(StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone));
        return false;
    }
    // The office sorts and saves while the confirmation is read; a failure meanwhile is told
    // once it is closed.
    m_confirming = true;
    m_diary.sortAndSave([this, typed](const std::optional<StoreError> &failure) {
        if (!failure)
            return;
        m_failures.append({typed, *failure});
        if (!m_confirming)
            reportFailures();
    });
    m_prompter.message(QStringLiteral("Inserimento avvenuto"));
    m_confirming = false;
    m_clearEntryArea();
    reportFailures();
    return true;
}

void Insertion::reportFailures()
{
    while (!m_failures.isEmpty()) {
        const auto [typed, error] = m_failures.takeFirst();
        if (!m_storeFailure.officeGone(error)) {
            m_prompter.message(
                QStringLiteral("Attenzione: l'appuntamento è nella cartella aperta ma non è ancora salvato su disco.\n"
                               "Verrà salvato al prossimo salvataggio.\n")
                + error.description());
            continue;
        }
        // Confirmed, then lost with the office: what was typed comes back for another click,
        // unless the user is already typing the next one.
        if (m_fields.text().isEmpty())
            m_fields.fill(typed.date, typed.time, typed.text);
        lost(error);
    }
}

void Insertion::lost(const StoreError &error)
{
    m_prompter.message(QStringLiteral("Appuntamento non salvato.\n") + error.description());
    m_storeFailure.recoverIfGone(error);
}

int Insertion::store(const Appointment &appointment)
{
    int row = 0;
    try {
        row = m_diary.freeRow();
    } catch (const StoreError &e) {
        m_prompter.message(QStringLiteral("Appuntamento non inserito: impossibile trovare una riga libera.\n")
                           + e.description());
        // A new office on the last saved workbook lets the user simply insert again.
        m_storeFailure.recoverIfGone(e);
        return 0;
    }
    if (row == 0) {
        m_prompter.message(QStringLiteral("Appuntamento non inserito: il foglio è pieno.\n"
                                          "Non c'è posto per altri appuntamenti (al massimo %1).")
                               .arg(Diary::capacity()));
        return 0;
    }
    try {
        m_diary.write(row, appointment);
    } catch (const StoreError &e) {
        m_prompter.message(QStringLiteral("Appuntamento non inserito: scrittura non riuscita.\n") + e.description());
        m_storeFailure.recoverIfGone(e);
        return 0;
    }
    return row;
}
