#pragma once

#include "appointment.h"
#include "icalendar.h"

#include <QString>

// What an iCalendar file adds to the diary, decided before anything is written: every event an
// appointment, except those already stored (same date, time and text), those dated before the
// first accepted date, and what the file itself said to leave out.
struct ImportPlan
{
    Appointments toStore;
    int alreadyStored = 0;
    int tooEarly = 0;
    int cutTexts = 0;   // stored, with the text cut at the cell's limit
    int cancelled = 0;
    int withoutStart = 0;
    int invalidStart = 0;
    int cutSeries = 0;
    int notRepeated = 0;
    int maxOccurrences = 0;

    static ImportPlan make(const ICalendar::Parsed &parsed, const Appointments &stored, int maxOccurrences);

    // "Importati N appuntamenti", then one line for each kind of event left out, with why.
    QString summary() const;
};
