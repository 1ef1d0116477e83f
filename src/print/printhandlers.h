#pragma once

#include <QObject>
#include <QPointer>

class Form1;
class StampaP;

// Connects this subsystem's handlers to the main window's controls.
class PrintHandlers : public QObject
{
    Q_OBJECT

public:
    explicit PrintHandlers(Form1 &form);
    ~PrintHandlers() override;

    // The printer window while it is loaded (shown or hidden); null once its close box unloaded it.
    StampaP *printerWindow() const;

private:
    void showPrinterWindow();

    Form1 &m_form;
    QPointer<StampaP> m_window;
};
