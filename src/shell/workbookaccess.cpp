#include "workbookaccess.h"

#include "store/workbookfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace WorkbookAccess {

namespace {

const QString kCannotRun = QStringLiteral("Impossibile eseguire il programma\r\n");

QString reason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("l'utente non ha il permesso");
    case EROFS:
        return QStringLiteral("il disco è di sola lettura");
    default:
        return QString::fromLocal8Bit(strerror(error));
    }
}

// errno of access(2), 0 when allowed. It answers for the real user, who is the one running us.
int denied(const QString &path, int mode)
{
    return ::access(QFile::encodeName(path).constData(), mode) == 0 ? 0 : errno;
}

} // namespace

QString problem(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
        return {};  // missing: the not-found message says so
    if (fd < 0)
        return kCannotRun + QStringLiteral("Il file %1 non può essere letto: %2.").arg(path, reason(errno));
    ::close(fd);
    if (const int error = denied(path, W_OK))
        return kCannotRun
               + QStringLiteral("Il file %1 non può essere modificato: %2. Gli appuntamenti non potrebbero essere "
                                "salvati.")
                     .arg(path, reason(error));
    // The office saves by writing a new file beside the old one, and the backup lives there too.
    const QString folder = QFileInfo(path).absolutePath();
    if (const int error = denied(folder, W_OK | X_OK))
        return kCannotRun
               + QStringLiteral("Nella cartella %1 non si può scrivere: %2. Il file %3 e la sua copia %4 non "
                                "potrebbero essere salvati.")
                     .arg(folder, reason(error), QFileInfo(path).fileName(),
                          QFileInfo(WorkbookFile::backupPath(path)).fileName());
    return {};
}

} // namespace WorkbookAccess
