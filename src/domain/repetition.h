#pragma once

#include <QDate>
#include <QVector>

// The dates of a repeated appointment. A month or a year that lacks the first date's day (the
// 31st, 29 February) gets its last day; the next occurrence counts from the first date again, so
// a series on the 31st goes back to the 31st where the month has one.
namespace Repetition {

enum class Unit { Day, Week, Month, Year };

struct Rule
{
    Unit unit = Unit::Week;
    int interval = 1;  // every how many units
};

// The most occurrences one series makes.
constexpr int kMaxOccurrences = 500;

// The occurrence with that index, the first being 0.
QDate occurrence(const QDate &first, const Rule &rule, int index);

struct Series
{
    QVector<QDate> dates;
    // More would follow than kMaxOccurrences allows; dates holds the first kMaxOccurrences.
    bool tooMany = false;
};

// `count` occurrences from the first date (at most kMaxOccurrences).
Series byCount(const QDate &first, const Rule &rule, int count);
// Every occurrence from the first date up to `last`, that day included.
Series until(const QDate &first, const Rule &rule, const QDate &last);

} // namespace Repetition
