#pragma once

#include "store/storeerror.h"

#include <QString>
#include <QVector>
#include <functional>

class Diary;
class EntryFields;
class Prompter;
class StoreFailure;
struct Appointment;

// "Inserisci  Appuntamento": checks the entry fields, stores the appointment in the first free
// row and confirms; the sort and the save follow in the background. An appointment that could not
// be stored leaves the fields as typed.
class Insertion
{
public:
    Insertion(EntryFields &fields, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
              std::function<void()> clearEntryArea)
        : m_fields(fields), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
          m_clearEntryArea(std::move(clearEntryArea))
    {
    }

    // True once the appointment is in the workbook, its save under way.
    bool run();

private:
    struct Typed
    {
        QString date, time, text;
    };
    struct Failure
    {
        Typed typed;
        StoreError error;
    };

    // The row the appointment went to, 0 when it was not stored (the user has been told).
    int store(const Appointment &appointment);
    // Tells of the saves that failed: still in the open workbook, or lost with the office.
    void reportFailures();
    void lost(const StoreError &error);

    EntryFields &m_fields;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    std::function<void()> m_clearEntryArea;
    bool m_confirming = false;
    QVector<Failure> m_failures;
};
