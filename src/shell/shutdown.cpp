#include "shutdown.h"

#include "errorreport.h"
#include "store/appointmentbook.h"
#include "store/storeerror.h"

void ShutDown(AppointmentBook &book, Prompter &prompter)
{
    try {
        book.save();
        book.close();
    } catch (const StoreError &e) {
        ReportError(prompter, e);
    }
    book.quit();
}
