#include "workbookfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <climits>

namespace WorkbookFile {

namespace {

QString localHostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    ::gethostname(name, sizeof name - 1);
    return QString::fromLocal8Bit(name);
}

// The profile each running office uses, read from its command line.
QStringList liveOfficeProfiles()
{
    QStringList profiles;
    const QString defaultProfile =
        QUrl::fromLocalFile(QDir::homePath() + QStringLiteral("/.config/libreoffice/4")).toString();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = cmdline.readAll().split('\0');
        if (args.isEmpty() || !args.first().endsWith("soffice.bin"))
            continue;
        QString profile = defaultProfile;
        for (const QByteArray &arg : args) {
            if (arg.startsWith("-env:UserInstallation="))
                profile = QString::fromUtf8(arg.mid(22));
        }
        profiles << QUrl(profile).adjusted(QUrl::StripTrailingSlash).toString();
    }
    return profiles;
}

// The office lock file: ",user,host,time,profile URL;". Its owner is alive when an office on
// this host runs with that profile; on another host we cannot tell, so we assume it is.
bool officeLockIsLive(const QString &path)
{
    QFile lock(officeLockPath(path));
    if (!lock.open(QIODevice::ReadOnly))
        return false;
    const QString content = QString::fromUtf8(lock.readAll()).trimmed();
    const QStringList fields = content.split(QLatin1Char(','));
    if (fields.size() < 5)
        return false;
    const QString host = fields.at(2);
    QString profile = fields.mid(4).join(QLatin1Char(','));
    if (profile.endsWith(QLatin1Char(';')))
        profile.chop(1);
    if (host != localHostName())
        return true;
    const QString wanted = QUrl(profile).adjusted(QUrl::StripTrailingSlash).toString();
    return liveOfficeProfiles().contains(wanted);
}

bool posixLockHeld(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

} // namespace

bool VerifyFile(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

QString officeLockPath(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.~lock.") + info.fileName() + QLatin1Char('#');
}

bool FileInUse(const QString &path)
{
    return posixLockHeld(path) || officeLockIsLive(path);
}

bool hasWorkbookSignature(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8) == QByteArray::fromHex("d0cf11e0a1b11ae1");
}

QString backupPath(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-copia.")
           + info.suffix();
}

bool keepBackup(const QString &path)
{
    QFile current(path);
    if (!hasWorkbookSignature(path) || !current.open(QIODevice::ReadOnly))
        return false;
    QSaveFile backup(backupPath(path));
    if (!backup.open(QIODevice::WriteOnly))
        return false;
    // As private as the workbook it copies.
    backup.setPermissions(current.permissions());
    char buffer[1 << 16];
    qint64 n;
    while ((n = current.read(buffer, sizeof buffer)) > 0) {
        if (backup.write(buffer, n) != n) {
            backup.cancelWriting();
            return false;
        }
    }
    return n == 0 && backup.commit();
}

void removeStaleLock(const QString &path)
{
    QFile::remove(officeLockPath(path));
}

} // namespace WorkbookFile

InstanceLock::~InstanceLock()
{
    release();
}

bool InstanceLock::acquire(const QString &workbookPath)
{
    release();
    const QString dir = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                            ? QDir::tempPath()
                            : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray key = QCryptographicHash::hash(QFileInfo(workbookPath).absoluteFilePath().toUtf8(),
                                                    QCryptographicHash::Sha1).toHex().left(16);
    const QString lockPath = QStringLiteral("%1/vespolari-%2.lock").arg(dir, QString::fromLatin1(key));
    m_fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return true;  // nowhere to keep the lock: the other probes still guard the file
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

void InstanceLock::release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
