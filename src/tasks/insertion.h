#pragma once

#include "domain/diary.h"
#include "store/storeerror.h"

#include <QString>
#include <QVector>
#include <functional>

class EntryArea;
class Prompter;
class StoreFailure;
struct Appointment;

// "Inserisci  Appuntamento": checks the entry fields, stores the appointment in the first free
// row and confirms; the sort and the save follow in the background. An appointment that could not
// be stored leaves the fields as typed; one confirmed is never lost to a failed save.
class Insertion
{
public:
    Insertion(EntryArea &fields, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
              std::function<void()> clearEntryArea)
        : m_fields(fields), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
          m_clearEntryArea(std::move(clearEntryArea))
    {
    }

    // True once the appointment is in the workbook, its save under way.
    bool run();

private:
    // Stores it in the first free row, its save begun; false when it was not stored (the user
    // has been told).
    bool store(const Appointment &appointment, const Diary::SaveEnded &ended);
    // Tells of the saves that failed.
    void reportFailures();

    EntryArea &m_fields;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    std::function<void()> m_clearEntryArea;
    bool m_confirming = false;
    QVector<StoreError> m_failures;
};
