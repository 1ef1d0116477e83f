#pragma once

#include "entryfields.h"
#include "tasks/insertion.h"

#include <QObject>

class Diary;
class Prompter;
class QLineEdit;
class QPushButton;
class StoreFailure;

// The entry area: its fields, "Inserisci  Appuntamento" and "Pulisci".
class EntryHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QLineEdit *dateEdit;
        QLineEdit *timeEdit;
        QLineEdit *textEdit;
        QPushButton *insertButton;
        QPushButton *clearButton;
    };

    EntryHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                  QObject *parent);

    // Empties the fields, as after an appointment stored.
    void clearEntryArea();

signals:
    // The date field changed, so whatever is listed is stale.
    void dateEdited();
    // The fields were emptied by a reset or after an appointment was stored: nothing listed
    // belongs to them any more.
    void entryAreaCleared();

private:
    EntryFields m_fields;
    Insertion m_insertion;
};
