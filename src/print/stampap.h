#pragma once

#include <QWidget>

class CalcWorkbook;
class Prompter;
class QComboBox;
class QLabel;
class QPushButton;

// The printer window: lists the installed printers, names the default one and prints on the
// one chosen. The list is read once per loading; a print hides the window, the close box
// destroys it.
class StampaP : public QWidget
{
    Q_OBJECT

public:
    static const QString kCaption;
    static const QString kPrompt;
    static const QString kDefaultLine;

    StampaP(CalcWorkbook &book, Prompter &prompter);

    QComboBox *Combo1;
    QPushButton *Command1;
    QLabel *Label1;

private:
    void buildControls();
    void load();
    void PrintAppointments();

    CalcWorkbook &m_book;
    Prompter &m_prompter;
};
