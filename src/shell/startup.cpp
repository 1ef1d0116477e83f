#include "startup.h"

#include "services/prompter.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/workbookencryption.h"
#include "store/workbookfile.h"
#include "workbookaccess.h"

QString notFoundMessage(const QString &path)
{
    return QStringLiteral("Impossibile eseguire il programma\r\nIl file ") + path + QStringLiteral(" non è stato trovato.");
}

QString alreadyOpenMessage()
{
    return QStringLiteral("ERRORE: Risulta che il database ") + SheetLayout::kFileName +
           QStringLiteral(" è già aperto\n Occorre chiuderlo e  poi si potrà riaprire l'applicazione !");
}

bool loadWorkbook(const QString &folder, CalcWorkbook &book, InstanceLock &lock, Prompter &prompter)
{
    const QString path = SheetLayout::workbookPath(folder);
    // A file that is there but out of this user's reach is no missing file.
    const QString accessProblem = WorkbookAccess::problem(path);
    if (!accessProblem.isEmpty()) {
        prompter.message(accessProblem, Prompter::Icon::Stop);
        return false;
    }
    if (!WorkbookFile::VerifyFile(path)) {
        prompter.message(notFoundMessage(path));
        return false;
    }
    if (!lock.acquire(path) || WorkbookFile::FileInUse(path)) {
        prompter.message(alreadyOpenMessage(), Prompter::Icon::Stop);
        return false;
    }
    // Nobody holds the file, so a lock file beside it was left by a crash.
    WorkbookFile::removeStaleLock(path);
    // Refused by the office as a wrong password, which it is not: say what it really is.
    if (!WorkbookEncryption::officeCanOpen(WorkbookEncryption::probe(path))) {
        prompter.message(WorkbookEncryption::cannotOpenMessage(path), Prompter::Icon::Stop);
        return false;
    }

    book.start();
    try {
        book.open(path, SheetLayout::kPassword);
    } catch (const StoreError &e) {
        const QString backup = WorkbookFile::backupPath(path);
        if (e.number() != StoreError::CannotOpen || !WorkbookFile::hasWorkbookSignature(backup))
            throw;
        throw StoreError(e.number(), e.description()
                                         + QStringLiteral("\n\nLa copia dell'ultimo salvataggio riuscito è %1.\n"
                                                          "Per ripristinarla, copiarla su %2 e riavviare il programma.")
                                               .arg(backup, path));
    }
    SheetLayout::PrepareSheet(book);
    SheetLayout::FitColumnsLater(book);
    return true;
}
