#include "rescuecopy.h"

#include "calcworkbook.h"
#include "storeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace RescueCopy {

QString folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vespolari");
}

QString store(const CalcWorkbook &book, const QString &password, const QDateTime &when)
{
    if (!QDir().mkpath(folder()))
        return {};
    const QString stem = QStringLiteral("%1/%2-salvataggio-%3")
                             .arg(folder(), QFileInfo(book.path()).completeBaseName(),
                                  when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    QString path = stem + QStringLiteral(".xls");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1-%2.xls").arg(stem).arg(n);
    try {
        book.storeCopy(path, password);
    } catch (const StoreError &) {
        return {};
    }
    return path;
}

} // namespace RescueCopy
