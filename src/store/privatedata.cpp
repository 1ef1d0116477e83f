#include "privatedata.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace PrivateData {

QString folder()
{
    const QString path =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vespolari");
    if (!QDir().mkpath(path))
        return path;
    // Also a folder an earlier version made readable by everyone.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace PrivateData
