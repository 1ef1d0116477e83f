#include "syncsummary.h"

#include <QLocale>

QString SyncProgress::describe() const
{
    const QLocale italian(QLocale::Italian);
    return (sending ? QStringLiteral("Inviati %1 di %2") : QStringLiteral("Ricevuti %1 di %2"))
        .arg(italian.toString(done), italian.toString(total));
}

QString SyncSummary::describe() const
{
    if (!when.isValid())
        return QStringLiteral("Nessuna sincronizzazione in questa sessione.");
    QString text = QStringLiteral("Ultima sincronizzazione: %1. Inviati al server %2, eliminati dal server %3; "
                                  "ricevuti %4, eliminati dal diario %5.")
                       .arg(when.toString(QStringLiteral("dd/MM/yyyy HH.mm.ss")))
                       .arg(sent)
                       .arg(deletedThere)
                       .arg(received)
                       .arg(deletedHere);
    if (conflicts > 0)
        text += QStringLiteral(" %1 appuntamenti cambiati da entrambe le parti: tenute tutte e due le versioni.")
                    .arg(conflicts);
    if (ignored > 0)
        text += QStringLiteral(" Ignorati %1 riferimenti del server fuori dal calendario.").arg(ignored);
    if (!failure.isEmpty())
        text += QStringLiteral(" Non riuscito: %1 Quanto resta sarà inviato alla prossima sincronizzazione.")
                    .arg(failure);
    return text;
}
