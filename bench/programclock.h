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
    // The same start on an empty cache folder each time: the office makes its profile first.
    void measureFirstStart(const QString &folder, int runs, Timings &startup);
    // The office's own floor on the same display: start, then the hidden load of the workbook.
    void measureFloor(const QString &workbook, int runs, Timings &floor);

private:
    // Starts the program and waits for its window; the time it took.
    double startToWindow(QProcess &diary, const QString &program, const QProcessEnvironment &env);

    QProcess m_xvfb;
    QString m_display;
};

// Peak resident memory of a process, from /proc.
qint64 peakKiB(qint64 pid);
// Starts this process's peak anew, so that what the benchmark itself held before is not counted.
void resetOwnPeak();
