#pragma once

#include <QString>
#include <sys/types.h>

// The office process we spawn and own. A guard process watches us: if this program dies
// without handing the office over, the guard kills the office, so none is left behind.
class OfficeProcess
{
public:
    OfficeProcess() = default;
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess &) = delete;
    OfficeProcess &operator=(const OfficeProcess &) = delete;

    // Spawns soffice.bin on a private profile, accepting on a pipe of its own. Throws StoreError.
    // A headless office, or one tied to the program, is killed by the kernel when the thread that
    // spawned it ends: spawn from a thread that lives as long as the office is wanted.
    void spawn();
    // The office will never be handed over: it ends with this program, even when its guard is
    // gone too. (A headless office cannot be shown, so it always is.)
    void tieToProgram() { m_tied = true; }
    QString pipeName() const { return m_pipeName; }
    pid_t pid() const { return m_pid; }
    bool headless() const { return m_headless; }

    // True once the process has ended; exitCode() then tells how.
    bool hasExited();
    int exitCode() const { return m_exitCode; }
    // A new profile makes the office restart itself once; this tells that case.
    bool exitedForRestart() const { return m_exited && m_exitCode == 81; }

    // Waits up to msecs for the process to end, then kills it.
    void stop(int msecs);
    // Kills it now, without waiting: hasExited() tells when it has gone.
    void kill();
    // The office is the user's now: it outlives this program.
    void release();

private:
    void startGuard();
    void tellGuard(char what);
    bool lockProfileSlot();

    pid_t m_pid = -1;
    pid_t m_guardPid = -1;
    int m_guardPipe = -1;
    int m_slotLock = -1;
    bool m_exited = false;
    int m_exitCode = 0;
    bool m_headless = true;
    bool m_tied = false;
    QString m_pipeName;
    QString m_profileDir;
};
