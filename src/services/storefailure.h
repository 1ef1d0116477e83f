#pragma once

#include <QObject>

class Diary;
class Prompter;
class StoreError;

// What the windows do when the office fails them. An office that went away is the one failure
// the user can be helped past: a new office is started on the workbook as last saved.
//
// The one rule for a failure no window has words of its own for: it is reported in the run-time
// error box; an office that went away is replaced and the user goes on; anything else ends the
// run, and runMustEnd() asks the window to end it through shutDown(), which saves or keeps a
// rescue copy. No road ends the run with appointments unsaved.
class StoreFailure : public QObject
{
    Q_OBJECT

public:
    StoreFailure(Diary &diary, Prompter &prompter) : m_diary(diary), m_prompter(prompter) {}

    void unforeseen(const StoreError &error);

    // The failure came from an office that is no longer there.
    bool officeGone(const StoreError &error) const;
    // When the office went away: says so, and starts a new one on the workbook as last saved,
    // so the user can go on working. True when that was the case, whether or not the restart
    // succeeded (the user has been told); false, doing nothing, for any other failure.
    bool recoverIfGone(const StoreError &error);

signals:
    void runMustEnd();

private:
    Diary &m_diary;
    Prompter &m_prompter;
};
