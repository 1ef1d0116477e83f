#include "entryrules.h"

#include "datelimits.h"

#include "regional/regional.h"

namespace EntryRules {

namespace {
const QString kUsage = QStringLiteral("Usare la forma: 09.30");
}

std::optional<Refusal> checkText(const QString &text)
{
    if (text.size() > kCellLimit)
        return Refusal{QStringLiteral("Testo troppo lungo: %1 caratteri.\nUn appuntamento ne può avere al massimo %2.")
                           .arg(text.size())
                           .arg(kCellLimit),
                       Field::Text};
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.isNonCharacter()
            || (c.isSurrogate() && !QStringView(text).isValidUtf16()))
            return Refusal{QStringLiteral("Il testo contiene caratteri di controllo che non si possono memorizzare.\n"
                                          "Riscrivere il testo senza di essi."),
                           Field::Text};
    }
    return std::nullopt;
}

std::variant<Entry, Refusal> check(const QString &dateText, const QString &timeText, const QString &text)
{
    if (!timeText.contains(QLatin1Char('.')))
        return Refusal{QStringLiteral("Orario non corretto. Scritto senza il punto"), Field::Time};
    if (timeText.size() < 4 || timeText.size() > 5)
        return Refusal{QStringLiteral("Orario scritto errato.\n") + kUsage, Field::Time};
    if (dateText.isEmpty())
        return Refusal{QStringLiteral("Devi scegliere la data"), Field::None};
    if (text.isEmpty())
        return Refusal{};
    if (std::optional<Refusal> wrongText = checkText(text))
        return *wrongText;
    // A value that does not convert would leave a row with an empty cell, or an invisible one.
    Entry entry{Regional::parseDate(dateText), Regional::parseTime(timeText), text};
    if (!entry.time.isValid())
        return Refusal{QStringLiteral("Orario inesistente: %1\n").arg(timeText) + kUsage, Field::Time};
    if (!entry.date.isValid())
        return Refusal{QStringLiteral("Data inesistente: %1\nUsare la forma: %2")
                           .arg(dateText, Regional::dateText(QDate(2009, 5, 25))),
                       Field::Date};
    if (!DateLimits::isAccepted(entry.date))
        return Refusal{DateLimits::tooEarlyMessage(dateText), Field::Date};
    return entry;
}

} // namespace EntryRules
