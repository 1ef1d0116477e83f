#include "storefailure.h"

#include "errorreport.h"
#include "prompter.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"

bool OfficeIsGone(CalcWorkbook &book, const StoreError &error)
{
    return error.number() == StoreError::OfficeGone || !book.officeAlive();
}

void HandleStoreFailure(CalcWorkbook &book, Prompter &prompter, const StoreError &error)
{
    if (!OfficeIsGone(book, error)) {
        ReportError(prompter, error);
        return;
    }
    prompter.message(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto.\n"
                                    "Viene riavviato con gli appuntamenti dell'ultimo salvataggio."),
                     Prompter::Icon::Information);
    try {
        book.recover();
        SheetLayout::PrepareSheet(book);
    } catch (const StoreError &again) {
        ReportError(prompter, again);
        prompter.message(QStringLiteral("Impossibile riavviare il foglio di calcolo.\n"
                                        "Chiudere il programma e riaprirlo."),
                         Prompter::Icon::Stop);
    }
}
