#include "errorreport.h"

#include "prompter.h"
#include "store/storeerror.h"

void reportError(Prompter &prompter, const StoreError &error)
{
    prompter.message(QStringLiteral("Errore di run-time '%1':\n\n%2").arg(error.number()).arg(error.description()),
                     Prompter::Icon::Stop);
}
