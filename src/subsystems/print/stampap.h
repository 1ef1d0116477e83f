#pragma once

#include "domain/period.h"

#include <QWidget>
#include <optional>

class Diary;
class Prompter;
class StoreFailure;
class QComboBox;
class QLabel;
class QPushButton;

// The printer window: lists the installed printers, names the default one and prints on the
// one chosen. The list is read once per loading; a print hides the window, the close box
// destroys it. Given a period, it prints that period's appointments alone.
class StampaP : public QWidget
{
    Q_OBJECT

public:
    static const QString kCaption;
    static const QString kDefaultLine;

    StampaP(Diary &diary, Prompter &prompter, StoreFailure &storeFailure, std::optional<Period> period = std::nullopt);

private:
    void buildControls();
    void load();
    void printOnChosen();

    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    std::optional<Period> m_period;
    QComboBox *printerCombo = nullptr;
    QPushButton *printButton = nullptr;
    QLabel *defaultPrinterLabel = nullptr;
};
