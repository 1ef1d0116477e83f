#pragma once

#include <QString>
#include <functional>

class Diary;
class EntryFields;
class Prompter;
class StoreError;
class StoreFailure;
struct Appointment;

// "Inserisci  Appuntamento": checks the entry fields, stores the appointment in the first free
// row, sorts and saves. An appointment that could not be stored leaves the fields as typed.
class Insertion
{
public:
    Insertion(EntryFields &fields, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
              std::function<void()> clearEntryArea)
        : m_fields(fields), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
          m_clearEntryArea(std::move(clearEntryArea))
    {
    }

    // True once the appointment is in the workbook, saved or awaiting the next save.
    bool run();

private:
    // The row the appointment went to, 0 when it was not stored (the user has been told).
    int store(const Appointment &appointment);
    // False when the office died before the save: the appointment is gone with it (the user has
    // been told). A save that failed otherwise leaves its reason in saveTrouble.
    bool sortAndSave(QString &saveTrouble);

    EntryFields &m_fields;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    std::function<void()> m_clearEntryArea;
};
