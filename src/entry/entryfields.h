#pragma once

class Form1;

// How the entry area reacts while it is edited, and its reset ("Pulisci").
class EntryFields
{
public:
    explicit EntryFields(Form1 &form) : m_form(form) {}

    // A new date makes the listed appointments stale.
    void dateChanged();
    // Warns at once about a comma in the time and selects the time, so the next key replaces it.
    void timeChanged();
    void reset();
    // Empties the fields, then both lists, and unchecks Check1: what a reset and a stored
    // appointment both leave behind.
    static void clearEntryArea(Form1 &form);

private:
    Form1 &m_form;
};
