#pragma once

#include <QString>

class Diary;
class Prompter;
class StoreFailure;

// "&Excel": saves the workbook, shows it to the user in the office that has held it hidden,
// and lets the program end without closing either.
class HandOver
{
public:
    HandOver(Diary &diary, Prompter &prompter, StoreFailure &storeFailure)
        : m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure)
    {
    }

    // True once the workbook is the user's and the run must end; false when it stays with the
    // program, and the user has been told why.
    bool run();

    static QString saveFailedMessage(const QString &reason);
    static QString noDisplayMessage();
    static QString showFailedMessage(const QString &reason);

private:
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
};
