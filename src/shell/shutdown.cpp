#include "shutdown.h"

#include "services/errorreport.h"
#include "store/calcworkbook.h"
#include "store/storeerror.h"

void ShutDown(CalcWorkbook &book, Prompter &prompter)
{
    try {
        book.save();
        book.close();
    } catch (const StoreError &e) {
        ReportError(prompter, e);
    }
    book.quit();
}
