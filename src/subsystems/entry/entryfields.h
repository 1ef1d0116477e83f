#pragma once

#include "domain/entryrules.h"
#include "tasks/entryarea.h"

#include <QString>

class Prompter;
class QLineEdit;

// Focuses the one of the three fields that holds what to correct, with its text selected; the
// insertion and the change window both point the user there the same way.
void selectForCorrection(EntryRules::Field field, QLineEdit *dateEdit, QLineEdit *timeEdit, QLineEdit *textEdit);

// The three entry fields: date, time and text of the appointment to insert.
class EntryFields : public EntryArea
{
public:
    EntryFields(QLineEdit *dateEdit, QLineEdit *timeEdit, QLineEdit *textEdit, Prompter &prompter)
        : m_dateEdit(dateEdit), m_timeEdit(timeEdit), m_textEdit(textEdit), m_prompter(prompter)
    {
    }

    QString dateText() const override;
    QString timeText() const override;
    QString text() const override;

    // Warns at once about a comma in the time and selects the time, so the next key replaces it.
    void timeChanged();
    // Focuses the field to correct, with its text selected.
    void select(EntryRules::Field field) override;
    void clear();
    void focusDate();

private:
    QLineEdit *m_dateEdit;
    QLineEdit *m_timeEdit;
    QLineEdit *m_textEdit;
    Prompter &m_prompter;
};
