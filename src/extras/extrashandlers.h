#pragma once

#include "handover.h"
#include "weblink.h"

#include <QObject>

class Form1;

// Connects this subsystem's handlers to the main window's controls.
class ExtrasHandlers : public QObject
{
    Q_OBJECT

public:
    explicit ExtrasHandlers(Form1 &form);

private:
    Form1 &m_form;
    HandOver m_handOver;
    WebLink m_webLink;
};
