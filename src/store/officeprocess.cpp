#include "officeprocess.h"

#include "storeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

const char kOfficeBinary[] = "/usr/lib/libreoffice/program/soffice.bin";
constexpr int kProfileSlots = 16;

// The office in a session of its own, so that a Ctrl-C meant for the diary does not hit a
// handed-over office, with every signal at its default and nothing on the standard streams.
// `tied`: the kernel kills it when the thread that starts it goes, whatever killed that (posix_spawn
// cannot ask for this, hence fork and exec, with only async-signal-safe calls in between).
pid_t launch(char *const argv[], char *const envp[], bool tied)
{
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::setsid();
    if (tied) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
    }
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd)
        ::dup2(null, fd);
    if (null > 2)
        ::close(null);
    ::execve(argv[0], argv, envp);
    ::_exit(127);
}

} // namespace

OfficeProcess::~OfficeProcess()
{
    stop(0);
}

// Profiles are kept between runs (a fresh one costs a restart of the office), one per
// running office: a slot is ours while its lock file is locked. The office inherits the
// lock, so a handed-over office keeps its slot after we are gone.
bool OfficeProcess::lockProfileSlot()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    base += QStringLiteral("/vespolari");
    QDir().mkpath(base);
    for (int slot = 0; slot < kProfileSlots; ++slot) {
        const QString lockPath = QStringLiteral("%1/office-%2.lock").arg(base).arg(slot);
        const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT, 0600);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_slotLock = fd;
            m_profileDir = QStringLiteral("%1/office-%2").arg(base).arg(slot);
            return true;
        }
        ::close(fd);
    }
    return false;
}

void OfficeProcess::spawn()
{
    if (m_slotLock < 0 && !lockProfileSlot())
        throw StoreError(StoreError::CannotStartOffice,
                         QStringLiteral("Nessun profilo libero per il foglio di calcolo"));

    m_headless = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    m_pipeName = QStringLiteral("vespolari-%1-%2")
                     .arg(::getpid())
                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QByteArray profile =
        "-env:UserInstallation=" + QUrl::fromLocalFile(m_profileDir).toEncoded();
    const QByteArray accept = "--accept=pipe,name=" + m_pipeName.toUtf8() + ";urp;";
    const char *mode = m_headless ? "--headless" : "--invisible";
    // A shown office follows the user's LANG/LC_* by itself; settings that name no language
    // get an Italian office, as they get Italian texts from us. (A profile's own choice wins.)
    const bool noLanguage = QLocale::system().language() == QLocale::C;
    const char *language = !m_headless && noLanguage ? "--language=it" : nullptr;
    const char *argv[] = {kOfficeBinary, profile.constData(), "--norestore", "--nologo",
                          "--nodefault", "--nolockcheck", mode, accept.constData(), language, nullptr};

    QByteArrayList envStore;
    for (char **e = environ; *e; ++e) {
        if (qstrncmp(*e, "SAL_ENABLE_FILE_LOCKING=", 24) != 0 && !(noLanguage && qstrncmp(*e, "LC_ALL=", 7) == 0))
            envStore << QByteArray(*e);
    }
    envStore << "SAL_ENABLE_FILE_LOCKING=1";
    // Where we speak Italian for want of any setting, the office must read and write dates and
    // numbers the Italian way too, not only show Italian menus: a date typed "26/05/2009" in the
    // handed-over workbook has to become a date. The office reads this itself; the C library
    // need not know the locale.
    if (noLanguage)
        envStore << "LC_ALL=it_IT.UTF-8";
    QVector<char *> envp;
    for (QByteArray &e : envStore)
        envp << e.data();
    envp << nullptr;

    // A missing or unusable binary is said as such, not as an office that ended at once.
    if (::access(kOfficeBinary, X_OK) != 0)
        throw StoreError(StoreError::CannotStartOffice,
                         QStringLiteral("Impossibile avviare il foglio di calcolo: %1")
                             .arg(QString::fromLocal8Bit(strerror(errno))));
    const pid_t pid = launch(const_cast<char **>(argv), envp.data(), m_tied || m_headless);
    if (pid < 0)
        throw StoreError(StoreError::CannotStartOffice,
                         QStringLiteral("Impossibile avviare il foglio di calcolo: %1")
                             .arg(QString::fromLocal8Bit(strerror(errno))));
    m_pid = pid;
    m_exited = false;
    m_exitCode = 0;
    startGuard();
}

void OfficeProcess::startGuard()
{
    if (m_guardPid > 0) {
        tellGuard('Q');
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    const pid_t office = m_pid;
    const pid_t guard = ::fork();
    if (guard == 0) {
        // Only async-signal-safe calls from here: the parent may have threads. A session of its
        // own and deaf to the terminal's signals: a Ctrl-C, a hang-up or a `timeout` that ends the
        // diary must leave the guard there to end the office.
        ::setsid();
        struct sigaction deaf = {};
        deaf.sa_handler = SIG_IGN;
        for (int sig : {SIGINT, SIGHUP, SIGTERM, SIGQUIT, SIGTSTP, SIGTTIN, SIGTTOU, SIGPIPE})
            ::sigaction(sig, &deaf, nullptr);
        ::prctl(PR_SET_NAME, "vespolari-guard");
        ::close(fds[1]);
        ::close_range(3, fds[0] - 1, 0);
        ::close_range(fds[0] + 1, ~0U, 0);
        char what = 0;
        ssize_t n;
        do {
            n = ::read(fds[0], &what, 1);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            ::kill(-office, SIGKILL);
            ::kill(office, SIGKILL);
        }
        ::_exit(0);
    }
    ::close(fds[0]);
    if (guard < 0) {
        ::close(fds[1]);
        return;
    }
    m_guardPid = guard;
    m_guardPipe = fds[1];
}

void OfficeProcess::tellGuard(char what)
{
    if (m_guardPipe >= 0) {
        (void)!::write(m_guardPipe, &what, 1);
        ::close(m_guardPipe);
        m_guardPipe = -1;
    }
    if (m_guardPid > 0) {
        ::waitpid(m_guardPid, nullptr, 0);
        m_guardPid = -1;
    }
}

bool OfficeProcess::hasExited()
{
    if (m_pid <= 0 || m_exited)
        return true;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid || (r < 0 && errno == ECHILD)) {
        m_exited = true;
        m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return m_exited;
}

void OfficeProcess::stop(int msecs)
{
    if (m_pid > 0) {
        for (int waited = 0; !hasExited() && waited < msecs; waited += 10)
            QThread::msleep(10);
        if (!hasExited()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_exited = true;
        }
        m_pid = -1;
    }
    tellGuard('Q');
    if (m_slotLock >= 0) {
        ::close(m_slotLock);
        m_slotLock = -1;
    }
}

void OfficeProcess::kill()
{
    if (m_pid > 0 && !hasExited())
        ::kill(m_pid, SIGKILL);
}

void OfficeProcess::release()
{
    tellGuard('R');
    if (m_slotLock >= 0) {
        ::close(m_slotLock);
        m_slotLock = -1;
    }
    m_pid = -1;
}
