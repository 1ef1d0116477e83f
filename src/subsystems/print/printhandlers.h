#pragma once

#include <QObject>
#include <QPointer>

class Diary;
class Prompter;
class QPushButton;
class StampaP;
class StoreFailure;

// "Stampa" opens the printer window.
class PrintHandlers : public QObject
{
    Q_OBJECT

public:
    PrintHandlers(QPushButton *printButton, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                  QObject *parent);
    ~PrintHandlers() override;

private:
    void showPrinterWindow();

    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    QPointer<StampaP> m_window;
};
