#pragma once

#include "allview.h"
#include "dayview.h"

#include <QObject>

class Form1;

// Connects this subsystem's handlers to the main window's controls.
class BrowseHandlers : public QObject
{
    Q_OBJECT

public:
    explicit BrowseHandlers(Form1 &form);

private:
    // A failing office ends the run after its error box, as any unhandled error does.
    template <typename F>
    void guarded(F &&handler);

    Form1 &m_form;
    DayView m_day;
    AllView m_all;
};
