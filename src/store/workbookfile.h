#pragma once

#include <QString>

// Checks on the workbook file before the office opens it.
namespace WorkbookFile {

// The file exists and can be opened for reading.
bool VerifyFile(const QString &path);

// Another program holds the workbook open: another copy of this diary, an office that has it
// loaded (its lock file names a live owner) or a process holding a POSIX lock on it.
// Call after InstanceLock::acquire, which makes this copy the only diary on the file.
bool FileInUse(const QString &path);

// The office's lock file beside the workbook, left behind by a crash, is removed so the
// office does not ask about it. Only call after FileInUse said false.
void removeStaleLock(const QString &path);

QString officeLockPath(const QString &path);

// The file starts like a compound document, as every 97-2003 workbook does.
bool hasWorkbookSignature(const QString &path);

// The one backup of the last good workbook, beside it.
QString backupPath(const QString &path);
// Copies the workbook over its backup, atomically; false when that was not possible.
bool keepBackup(const QString &path);

} // namespace WorkbookFile

// Held by the running diary for its workbook. The kernel drops it when the process ends,
// however it ends, so it never goes stale.
class InstanceLock
{
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False when another copy of the diary holds the same workbook.
    bool acquire(const QString &workbookPath);
    void release();

private:
    int m_fd = -1;
};
