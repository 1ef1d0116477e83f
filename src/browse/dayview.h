#pragma once

class Form1;

// A day's appointments: the calendar's selected day goes into the date field, its times into
// List1 and its texts into List2 in the sheet's row order, and a box says how many there are.
class DayView
{
public:
    explicit DayView(Form1 &form) : m_form(form) {}

    void show();

private:
    Form1 &m_form;
};
