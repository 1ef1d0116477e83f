#pragma once

#include "domain/period.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Diary;
class Prompter;
class StoreFailure;

// Prints the whole appointment list through the first sheet's page setup in the office, or the
// appointments of a period alone under the header row. Every failure is told to the user; none
// ends the program.
class PrintAppointments
{
public:
    static const QString kEmptyListMessage;
    static const QString kZoomPrompt;
    static const QString kZoomTitle;
    static const QString kZoomDefault;
    // The printer window's prompt in its combo box, not a printer.
    static inline const QString kNoPrinterChosen = QStringLiteral("Seleziona la stampante");

    PrintAppointments(Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                      std::optional<Period> period = std::nullopt);

    // One run for the printer named; the printer must be one of those installed.
    void run(const QString &printerName);
    // The same pages as a PDF file, through the office's own export. True when it was written.
    bool savePdf(const QString &path);

    // The whole number the user meant, as the locale writes numbers; halves go to the even
    // neighbour. Nothing when the text is no number or does not fit in 32 bits.
    static std::optional<int> parseZoom(const QString &text, const QLocale &locale);
    static QString headerText(const QDateTime &moment);
    // Inches to the office's 1/100 mm.
    static int hundredthsMm(double inches);

private:
    bool listIsEmpty();
    // Says so when there is nothing to print.
    bool nothingToPrint();
    int askZoom();
    void setUpPage(int zoom);
    // The print area and title rows the whole list's job leaves, after a period's job.
    void leaveWholeListSetup();
    QString setupTrouble() const;
    // The page set up, then the output given what went wrong in the setup; false when there was
    // nothing to print or the output failed.
    template <typename Output>
    bool withPageSetUp(Output output);
    bool printerKnown(const QString &printerName);
    void step(const QString &what, const std::function<void()> &body);

    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    QStringList m_failures;
    std::optional<Period> m_period;
    std::optional<Period::Rows> m_rows;
};
