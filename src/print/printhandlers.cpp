#include "printhandlers.h"

#include "shell/form1.h"
#include "stampap.h"

#include <QPushButton>

PrintHandlers::PrintHandlers(Form1 &form) : QObject(&form), m_form(form)
{
    connect(m_form.Command2, &QPushButton::clicked, this, &PrintHandlers::showPrinterWindow);
}

PrintHandlers::~PrintHandlers()
{
    // The window has no owner, but it works on the main window's workbook: it goes with it.
    delete m_window.data();
}

void PrintHandlers::showPrinterWindow()
{
    if (!m_window)
        m_window = new StampaP(m_form.book(), m_form.prompter());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

StampaP *PrintHandlers::printerWindow() const
{
    return m_window.data();
}
