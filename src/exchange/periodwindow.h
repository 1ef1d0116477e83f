#pragma once

#include "domain/period.h"
#include "print/stampap.h"

#include <QPointer>
#include <QWidget>

class Diary;
class FileChooser;
class Prompter;
class QDateEdit;
class QPushButton;
class StoreFailure;

// "Stampa periodo": the appointments of some days on paper, through the printer window of
// "Stampa", or as a PDF file.
class PeriodWindow : public QWidget
{
    Q_OBJECT

public:
    static const QString kCaption;

    PeriodWindow(Diary &diary, Prompter &prompter, StoreFailure &storeFailure, FileChooser &files,
                 QWidget *parent = nullptr);
    ~PeriodWindow() override;

    void setPeriod(const Period &period);
    Period period() const;
    // The printer window of the last "Stampa...", while it is open.
    StampaP *printerWindow() const { return m_printer; }
    // "Vespolari dal DD-MM-YYYY al DD-MM-YYYY.pdf" in the documents folder.
    static QString defaultPdfPath(const Period &period);

    void print();
    void savePdf();

private:
    void buildControls();
    // Says why the period cannot be printed: "Al" before "Dal", or no appointment in it.
    bool printable();

    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    FileChooser &m_files;
    QPointer<StampaP> m_printer;
    QDateEdit *fromEdit = nullptr;
    QDateEdit *toEdit = nullptr;
};
