#pragma once

#include <QWidget>

class Diary;
class Prompter;
class StoreFailure;
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
    static const QString kDefaultLine;

    StampaP(Diary &diary, Prompter &prompter, StoreFailure &storeFailure);

private:
    void buildControls();
    void load();
    void printOnChosen();

    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    QComboBox *printerCombo = nullptr;
    QPushButton *printButton = nullptr;
    QLabel *defaultPrinterLabel = nullptr;
};
