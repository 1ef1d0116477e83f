#include "printhandlers.h"

#include "stampap.h"

#include <QPushButton>

PrintHandlers::PrintHandlers(QPushButton *printButton, Diary &diary, Prompter &prompter,
                             StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure)
{
    connect(printButton, &QPushButton::clicked, this, &PrintHandlers::showPrinterWindow);
}

PrintHandlers::~PrintHandlers()
{
    // The window has no owner, but it works on the main window's workbook: it goes with it.
    delete m_window.data();
}

void PrintHandlers::showPrinterWindow()
{
    if (!m_window)
        m_window = new StampaP(m_diary, m_prompter, m_storeFailure);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
