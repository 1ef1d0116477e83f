#include "shutdown.h"

#include "errorreport.h"
#include "storefailure.h"
#include "domain/diary.h"
#include "store/storeerror.h"

namespace {

// The failed save's report, with where the open workbook went instead.
StoreError withRescueCopy(const Diary &diary, const StoreError &failure)
{
    const QString copy = diary.storeRescueCopy();
    QString note =
        copy.isEmpty()
            ? QStringLiteral("\n\nNon è stato possibile salvare neanche una copia: gli appuntamenti inseriti dopo "
                             "l'ultimo salvataggio riuscito sono persi.")
            : QStringLiteral("\n\nTutti gli appuntamenti sono stati salvati in una copia di emergenza:\n%1\n"
                             "Per ripristinarla, a programma chiuso, copiarla su %2 sostituendo quel file.")
                  .arg(copy, diary.path());
    const Appointments unsaved = diary.unsaved();
    if (!unsaved.isEmpty())
        note += QStringLiteral("\n\nAppuntamenti non salvati su %1:\n%2").arg(diary.path(), StoreFailure::named(unsaved));
    return StoreError(failure.number(), failure.description() + note);
}

} // namespace

void shutDown(Diary &diary, Prompter &prompter)
{
    try {
        diary.saveAtExit();
    } catch (const StoreError &e) {
        // Only then the office goes, and with it whatever the copy could not keep.
        reportError(prompter, withRescueCopy(diary, e));
        diary.quitOffice();
        return;
    }
    try {
        diary.close();
    } catch (const StoreError &e) {
        reportError(prompter, e);
    }
    diary.quitOffice();
}
