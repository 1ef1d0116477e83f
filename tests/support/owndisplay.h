#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QDir>
#include <QTest>

#include "testsupport.h"

#include <csignal>

// An X server of the test's own, on a display nobody uses.
class OwnDisplay
{
public:
    OwnDisplay()
    {
        for (int n = 71; n < 200 && m_name.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))
                || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            m_server.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                                                   QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                                   QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                                   // A reset when the last client leaves would refuse the next one.
                                                   QStringLiteral("-noreset")});
            if (!m_server.waitForStarted(5000))
                return;
            QElapsedTimer clock;
            clock.start();
            while (m_server.state() == QProcess::Running && clock.elapsed() < 10000
                   && !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                QTest::qWait(50);
            if (m_server.state() == QProcess::Running && QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                m_name = QStringLiteral(":%1").arg(n);
            else
                m_server.waitForFinished(2000);  // someone took that display first
        }
    }
    ~OwnDisplay()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished(2000);
    }
    QString name() const { return m_name; }

    // Runs an X client on this display; its standard output, trimmed.
    QString run(const QString &program, const QStringList &args, int *exitCode = nullptr) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_name);
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(20000);
        if (exitCode)
            *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    // The first visible window whose name matches the pattern, waiting up to msecs.
    QString visibleWindow(const QString &pattern, int msecs) const
    {
        QElapsedTimer clock;
        clock.start();
        do {
            const QString ids = run(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), pattern});
            if (!ids.isEmpty())
                return ids.split(QLatin1Char('\n')).first();
            QTest::qWait(100);
        } while (clock.elapsed() < msecs);
        return {};
    }

private:
    QProcess m_server;
    QString m_name;
};


// The program's children, and their end.
inline qint64 childNamed(qint64 parent, const QByteArray &name)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        QByteArray comm, ppid;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Name:"))
                comm = line.mid(5).trimmed();
            else if (line.startsWith("PPid:"))
                ppid = line.mid(5).trimmed();
        }
        if (comm == name && ppid.toLongLong() == parent)
            return pid.toLongLong();
    }
    return 0;
}

inline bool waitForEnd(qint64 pid, int msecs)
{
    QElapsedTimer clock;
    clock.start();
    while (processAlive(pid) && clock.elapsed() < msecs)
        QTest::qWait(50);
    return !processAlive(pid);
}

// A started program, killed when the test leaves, however it leaves.
struct EndProgram
{
    QProcess &program;
    ~EndProgram()
    {
        program.kill();
        program.waitForFinished(5000);
    }
};

// Whatever the outcome, an office the test caused does not outlive it.
struct KillAtEnd
{
    qint64 pid = 0;
    ~KillAtEnd()
    {
        if (pid > 0 && processAlive(pid))
            ::kill(pid_t(pid), SIGKILL);
    }
};

