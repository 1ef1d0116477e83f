#pragma once

#include <QString>

class Form1;

// "&Excel": saves the workbook, shows it to the user in the office that has held it hidden,
// and ends the program without closing either.
class HandOver
{
public:
    explicit HandOver(Form1 &form);

    // False when the workbook stays with the program; the user has been told why.
    bool run();

    static QString saveFailedMessage(const QString &reason);
    static QString noDisplayMessage();
    static QString showFailedMessage(const QString &reason);

private:
    Form1 &m_form;
};
