#pragma once

#include <QDate>
#include <QString>
#include <QTime>

class Form1;
class QLineEdit;
class StoreError;

// "Inserisci  Appuntamento": checks the entry fields, stores the appointment in the first free
// row, sorts and saves. An appointment that could not be stored leaves the fields as typed.
class Insertion
{
public:
    explicit Insertion(Form1 &form) : m_form(form) {}

    void run();

private:
    struct Entry
    {
        QDate date;
        QTime time;
        QString text;
    };

    // False when the operation ends here; every refusal but the empty text tells the user why.
    bool check(Entry &entry);
    // Text the sheet cannot hold exactly is refused rather than changed.
    bool checkText(const QString &text);
    // The row the appointment went to, 0 when it was not stored (the user has been told).
    int store(const Entry &entry);
    // False when the office died before the save: the appointment is gone with it (the user has
    // been told). A save that failed otherwise leaves its reason in saveTrouble.
    bool sortAndSave(QString &saveTrouble);
    void recoverIfGone(const StoreError &error);
    void refuse(const QString &message, QLineEdit *field);

    Form1 &m_form;
};
