#include "rescuecopy.h"

#include "calcworkbook.h"
#include "privatedata.h"
#include "storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace RescueCopy {

QString folder()
{
    return PrivateData::folder();
}

QString store(const CalcWorkbook &book, const QString &password, const QDateTime &when)
{
    const QString into = PrivateData::folder();
    if (!QFileInfo(into).isDir())
        return {};
    const QString stem = QStringLiteral("%1/%2-salvataggio-%3")
                             .arg(into, QFileInfo(book.path()).completeBaseName(),
                                  when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    QString path = stem + QStringLiteral(".xls");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1-%2.xls").arg(stem).arg(n);
    try {
        book.storeCopy(path, password);
    } catch (const StoreError &) {
        return {};
    }
    QFile::setPermissions(path, PrivateData::kFileMode);
    return path;
}

} // namespace RescueCopy
