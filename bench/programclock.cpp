#include "programclock.h"

#include "support/testsupport.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <malloc.h>

namespace {

bool windowShown(const QString &display)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral("xwininfo"), {QStringLiteral("-name"), QStringLiteral("Vespolari")});
    probe.waitForFinished();
    return probe.exitCode() == 0;
}

} // namespace

qint64 peakKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

void resetOwnPeak()
{
    // What was freed goes back to the system first: memory the allocator merely keeps for
    // reuse would otherwise count as the program's from the start.
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

ProgramClock::ProgramClock()
{
    for (int n = 90; n < 140; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        // -noreset: a server that resets when its last client leaves refuses the next one for a while.
        m_xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                                              QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                              QStringLiteral("tcp"), QStringLiteral("-noreset")});
        if (!m_xvfb.waitForStarted())
            return;
        QThread::msleep(800);
        if (m_xvfb.state() == QProcess::Running) {
            m_display = QStringLiteral(":%1").arg(n);
            return;
        }
    }
}

ProgramClock::~ProgramClock()
{
    if (m_xvfb.state() == QProcess::Running) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(3000);
    }
}

void ProgramClock::measure(const QString &folder, int runs, Timings &startup, Timings &shutdown, qint64 &programKiB,
                           qint64 &officeKiB)
{
    const QString program = folder + QStringLiteral("/vespolari");
    QFile::remove(program);
    QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (int i = 0; i < runs; ++i) {
        QProcess diary;
        startup.ms << startToWindow(diary, program, env);
        QThread::msleep(300);
        programKiB = qMax(programKiB, peakKiB(diary.processId()));
        officeKiB = qMax(officeKiB, peakKiB(childOffice(diary.processId())));
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(diary.processId()), SIGTERM);
        diary.waitForFinished(60000);
        shutdown.ms << clock.elapsed();
    }
}

double ProgramClock::startToWindow(QProcess &diary, const QString &program, const QProcessEnvironment &env)
{
    diary.setProcessEnvironment(env);
    diary.setProgram(program);
    diary.setStandardOutputFile(QProcess::nullDevice());
    diary.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    diary.start();
    diary.waitForStarted();
    while (!windowShown(m_display) && diary.state() == QProcess::Running && clock.elapsed() < 60000)
        QThread::msleep(5);
    return clock.elapsed();
}

void ProgramClock::measureFirstStart(const QString &folder, int runs, Timings &startup)
{
    const QString program = folder + QStringLiteral("/vespolari");
    QFile::remove(program);
    QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program);
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir cache;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        QProcess diary;
        startup.ms << startToWindow(diary, program, env);
        QThread::msleep(300);
        ::kill(pid_t(diary.processId()), SIGTERM);
        diary.waitForFinished(60000);
    }
}

void ProgramClock::measureFloor(const QString &workbook, int runs, Timings &floor)
{
    // The office decides on a display when it starts: give it the program's.
    qputenv("DISPLAY", m_display.toLocal8Bit());
    for (int i = 0; i < runs; ++i) {
        CalcWorkbook book;
        QElapsedTimer clock;
        clock.start();
        book.start();
        book.open(workbook, SheetLayout::kPassword);
        floor.ms << clock.nsecsElapsed() / 1e6;
        book.close();
        book.quit();
    }
    qunsetenv("DISPLAY");
}
