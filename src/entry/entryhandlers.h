#pragma once

#include "entryfields.h"
#include "insertion.h"

#include <QObject>

class Form1;

// Connects this subsystem's handlers to the main window's controls.
class EntryHandlers : public QObject
{
    Q_OBJECT

public:
    explicit EntryHandlers(Form1 &form);

private:
    Form1 &m_form;
    EntryFields m_fields;
    Insertion m_insertion;
};
