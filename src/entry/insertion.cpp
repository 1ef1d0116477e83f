#include "insertion.h"

#include "entryfields.h"

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
    if (store(Appointment::typed(entry.date, entry.time, entry.text)) == 0)
        return false;
    // Confirmed only once it is saved, or at least in the open workbook: never for a lost one,
    // whose text stays in the fields for the next click.
    QString saveTrouble;
    if (!sortAndSave(saveTrouble))
        return false;
    m_prompter.message(QStringLiteral("Inserimento avvenuto"));
    m_clearEntryArea();
    if (!saveTrouble.isEmpty())
        m_prompter.message(
            QStringLiteral("Attenzione: l'appuntamento è nella cartella aperta ma non è ancora salvato su disco.\n"
                           "Verrà salvato al prossimo salvataggio.\n")
            + saveTrouble);
    return true;
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

bool Insertion::sortAndSave(QString &saveTrouble)
{
    try {
        m_diary.sortByDate();
    } catch (const StoreError &) {
        // An unsorted but complete block is still readable; the save matters more.
    }
    try {
        m_diary.save();
    } catch (const StoreError &e) {
        if (!m_diary.officeAlive()) {
            // The open workbook went with the office: the appointment is lost, not pending.
            m_prompter.message(QStringLiteral("Appuntamento non salvato.\n") + e.description());
            m_storeFailure.recoverIfGone(e);
            return false;
        }
        saveTrouble = e.description();
    }
    return true;
}
