#pragma once

class Form1;

// Every stored appointment in List2 while Check1 is checked: date, eight blanks, time, eight
// blanks, text. Unchecking empties List2 alone. It never shows a message.
class AllView
{
public:
    explicit AllView(Form1 &form) : m_form(form) {}

    void update();

private:
    Form1 &m_form;
};
