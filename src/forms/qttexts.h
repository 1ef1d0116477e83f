#pragma once

class QCoreApplication;

// Qt's own texts (its standard buttons, the system's reasons for a file it cannot read) in the
// interface's language, Italian, whatever the regional settings; kept for the run's length.
bool installQtTexts(QCoreApplication &app);
