#pragma once

#include "domain/appointment.h"
#include "domain/diary.h"

#include <QObject>

class Prompter;
class StoreError;

// What the windows do when the office fails them. An office that went away is the one failure
// the user can be helped past: a new office is started on the workbook as last saved, and what
// that lacks of the appointments held is written into it again.
//
// The one rule for a failure no window has words of its own for: it is reported in the run-time
// error box; an office that went away is replaced and the user goes on; anything else ends the
// run, and runMustEnd() asks the window to end it through shutDown(), which saves or keeps a
// rescue copy. No road ends the run with appointments unsaved.
//
// A write whose save failed has one outcome, whatever the write: it stands, and the run goes on.
class StoreFailure : public QObject
{
    Q_OBJECT

public:
    // What a write left in the open workbook, for the words of its failed save.
    enum class Written { Appointment, Appointments, Change };

    StoreFailure(Diary &diary, Prompter &prompter) : m_diary(diary), m_prompter(prompter) {}

    void unforeseen(const StoreError &error);

    // The failure came from an office that is no longer there.
    bool officeGone(const StoreError &error) const;
    // When the office went away: says so, and starts a new one on the workbook as last saved,
    // writing again what that lacks, so the user can go on working. True when that was the case,
    // whether or not the restart succeeded (the user has been told) or another failure of the
    // same office had it restarted already; false, doing nothing, for any other failure.
    bool recoverIfGone(const StoreError &error);
    // A write's save failed: the write waits in the open workbook for the next save, and the
    // user is told so; when the office went with it, the recovery writes it again.
    void saveFailed(const StoreError &error, Written what);

    // The words for a write that is in the open workbook but not on disk.
    static QString notSavedText(Written what, const StoreError &error);
    // Appointments one per line, as the full listing shows them.
    static QString named(const Appointments &appointments);

signals:
    void runMustEnd();

private:
    void tell(const Diary::Recovery &recovery);

    Diary &m_diary;
    Prompter &m_prompter;
};
