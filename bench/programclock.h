#pragma once

#include "stats.h"

#include <QProcess>
#include <QString>

// Times the real program: process start to main window shown, and SIGTERM to process end
// (the same save-and-quit as the close box). Needs a display: starts its own Xvfb.
class ProgramClock
{
public:
    ProgramClock();
    ~ProgramClock();
    bool ready() const { return !m_display.isEmpty(); }

    // The program copied beside a workbook in folder; peak memory (KiB) of it and its office.
    void measure(const QString &folder, int runs, Timings &startup, Timings &shutdown, qint64 &programKiB,
                 qint64 &officeKiB);

private:
    QProcess m_xvfb;
    QString m_display;
};

// Peak resident memory of a process, from /proc.
qint64 peakKiB(qint64 pid);
