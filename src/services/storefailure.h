#pragma once

class Diary;
class Prompter;
class StoreError;

// What the windows do when the office fails them. An office that went away is the one failure
// the user can be helped past: a new office is started on the workbook as last saved.
class StoreFailure
{
public:
    StoreFailure(Diary &diary, Prompter &prompter) : m_diary(diary), m_prompter(prompter) {}

    // The failure came from an office that is no longer there.
    bool officeGone(const StoreError &error) const;
    // When the office went away: says so, and starts a new one on the workbook as last saved,
    // so the user can go on working. True when that was the case, whether or not the restart
    // succeeded (the user has been told); false, doing nothing, for any other failure.
    bool recoverIfGone(const StoreError &error);

private:
    Diary &m_diary;
    Prompter &m_prompter;
};
