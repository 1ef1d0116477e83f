#pragma once

#include "periodwindow.h"
#include "stampap.h"

#include <QDate>
#include <QObject>
#include <QPointer>

class Diary;
class FileChooser;
class Prompter;
class QAction;
class StoreFailure;

// "Stampa periodo..." in the menu: the period window, and its appointments on paper through the
// printer window of "Stampa", or in a PDF file.
class PeriodHandlers : public QObject
{
    Q_OBJECT

public:
    PeriodHandlers(QAction *periodAction, QWidget *window, Diary &diary, Prompter &prompter,
                   StoreFailure &storeFailure, FileChooser &files, QObject *parent);
    ~PeriodHandlers() override;

    // Tests choose files without a file window.
    void setFileChooser(FileChooser &files) { m_files = &files; }
    void showPeriodWindow();
    PeriodWindow *periodWindow() const { return m_period; }
    // The printer window of the last "Stampa...", while it is open.
    StampaP *printerWindow() const { return m_printer; }
    // "Vespolari dal DD-MM-YYYY al DD-MM-YYYY.pdf" in the documents folder.
    static QString defaultPdfPath(const Period &period);

    void print();
    void savePdf();

public slots:
    // A day listed: the period window starts from it.
    void dayListed(const QString &dateText);

private:
    // Says why the period cannot be printed: "Al" before "Dal", or no appointment in it.
    bool printable();

    QWidget *m_window;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    FileChooser *m_files;
    QPointer<PeriodWindow> m_period;
    QPointer<StampaP> m_printer;
    QDate m_listed;
};
