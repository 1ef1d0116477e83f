#pragma once

#include <QString>

// Texts and codes the store uses in more than one place, so that they cannot drift apart.
namespace StoreLiterals {

// The number formats the workbook's dates and times carry (English keywords).
inline const QString kDateFormat = QStringLiteral("DD/MM/YYYY");
inline const QString kTimeFormat = QStringLiteral("h:mm;@");

// The user is told the same thing however the office was lost.
inline const QString kOfficeGone = QStringLiteral("Il foglio di calcolo non risponde più");
// %1 is the file, %2 why it cannot be opened.
inline const QString kCannotOpen = QStringLiteral("Impossibile aprire %1: %2");

} // namespace StoreLiterals
