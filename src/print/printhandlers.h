#pragma once

#include <QObject>

class Form1;

// Connects this subsystem's handlers to the main window's controls.
class PrintHandlers : public QObject
{
    Q_OBJECT

public:
    explicit PrintHandlers(Form1 &form);

private:
    Form1 &m_form;
};
