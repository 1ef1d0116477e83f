#include "shutdown.h"

#include "services/errorreport.h"
#include "store/calcworkbook.h"
#include "store/rescuecopy.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"

namespace {

// The failed save's report, with where the open workbook went instead.
StoreError withRescueCopy(const CalcWorkbook &book, const StoreError &failure)
{
    const QString copy = RescueCopy::store(book, SheetLayout::kPassword);
    const QString note =
        copy.isEmpty()
            ? QStringLiteral("\n\nNon è stato possibile salvare neanche una copia: gli appuntamenti inseriti dopo "
                             "l'ultimo salvataggio riuscito sono persi.")
            : QStringLiteral("\n\nTutti gli appuntamenti sono stati salvati in una copia di emergenza:\n%1\n"
                             "Per ripristinarla, a programma chiuso, copiarla su %2 sostituendo quel file.")
                  .arg(copy, book.path());
    return StoreError(failure.number(), failure.description() + note);
}

} // namespace

void shutDown(CalcWorkbook &book, Prompter &prompter)
{
    try {
        book.save();
    } catch (const StoreError &e) {
        // Only then the office goes, and with it whatever the copy could not keep.
        reportError(prompter, withRescueCopy(book, e));
        book.quit();
        return;
    }
    try {
        book.close();
    } catch (const StoreError &e) {
        reportError(prompter, e);
    }
    book.quit();
}
