#include "insertion.h"

#include "entryarea.h"

#include "domain/diary.h"
#include "domain/entryrules.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

bool Insertion::run()
{
    const std::variant<EntryRules::Entry, EntryRules::Refusal> checked =
        EntryRules::check(m_fields.dateText(), m_fields.timeText(), m_fields.text());
    if (const auto *refusal = std::get_if<EntryRules::Refusal>(&checked)) {
        if (!refusal->message.isEmpty())
            m_prompter.message(refusal->message);
        m_fields.select(refusal->field);
        return false;
    }
    const EntryRules::Entry &entry = std::get<EntryRules::Entry>(checked);
    // The office sorts and saves while the confirmation is read; a failure meanwhile is told
    // once it is closed.
    const auto ended = [this](const std::optional<StoreError> &failure) {
        if (!failure)
            return;
        m_failures.append(*failure);
        if (!m_confirming)
            reportFailures();
    };
    if (!store(Appointment::typed(entry.date, entry.time, entry.text), ended))
        return false;
    m_confirming = true;
    m_prompter.message(QStringLiteral("Inserimento avvenuto"));
    m_confirming = false;
    m_clearEntryArea();
    reportFailures();
    return true;
}

void Insertion::reportFailures()
{
    // Confirmed, so it stands: in the open workbook for the next save, or written again by the
    // recovery when the office went with it.
    while (!m_failures.isEmpty())
        m_storeFailure.saveFailed(m_failures.takeFirst(), StoreFailure::Written::Appointment);
}

bool Insertion::store(const Appointment &appointment, const Diary::SaveEnded &ended)
{
    int row = 0;
    try {
        row = m_diary.freeRow();
    } catch (const StoreError &e) {
        m_prompter.message(QStringLiteral("Appuntamento non inserito: impossibile trovare una riga libera.\n")
                           + e.description());
        // A new office on the last saved workbook lets the user simply insert again.
        m_storeFailure.recoverIfGone(e);
        return false;
    }
    if (row == 0) {
        m_prompter.message(QStringLiteral("Appuntamento non inserito: il foglio è pieno.\n"
                                          "Non c'è posto per altri appuntamenti (al massimo %1).")
                               .arg(Diary::capacity()));
        return false;
    }
    try {
        m_diary.insert(row, appointment, ended);
    } catch (const StoreError &e) {
        // Gone with the office before it was confirmed: what was typed stays for another click.
        m_prompter.message((m_storeFailure.officeGone(e)
                                ? QStringLiteral("Appuntamento non salvato.\n")
                                : QStringLiteral("Appuntamento non inserito: scrittura non riuscita.\n"))
                           + e.description());
        m_storeFailure.recoverIfGone(e);
        return false;
    }
    return true;
}
