#include "syncstate.h"

#include "services/caldavclient.h"
#include "store/privatedata.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

QString SyncState::fileFor(const QString &workbookPath)
{
    const QByteArray path = QFileInfo(workbookPath).absoluteFilePath().toUtf8();
    const QString name = QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(16));
    return PrivateData::folder() + QStringLiteral("/server-%1.json").arg(name);
}

SyncState::Agreement SyncState::load(const QString &file, const QString &calendarUrl)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
    if (root.value(QLatin1String("calendar")).toString() != calendarUrl)
        return {};
    QVector<SyncRecord> records;
    const QJsonArray stored = root.value(QLatin1String("records")).toArray();
    for (const QJsonValue &v : stored) {
        const QJsonObject o = v.toObject();
        SyncRecord r;
        r.uid = o.value(QLatin1String("uid")).toString();
        r.href = o.value(QLatin1String("href")).toString();
        r.etag = o.value(QLatin1String("etag")).toString();
        r.occurrence = QDate::fromString(o.value(QLatin1String("occurrence")).toString(), Qt::ISODate);
        r.agreed.date = QDate::fromString(o.value(QLatin1String("date")).toString(), Qt::ISODate);
        r.agreed.time = QTime::fromString(o.value(QLatin1String("time")).toString(), Qt::ISODate);
        r.agreed.text = o.value(QLatin1String("text")).toString();
        r.held = o.value(QLatin1String("held")).toBool(true);
        // A record that names nothing on the server cannot be agreed on: compared afresh. Nor can
        // one that names something outside the calendar, or whose ETag is no header's text.
        if (!r.uid.isEmpty() && CalDavClient::isInside(QUrl(calendarUrl), r.href) && r.agreed.date.isValid()
            && CalDavClient::isSafeEtag(r.etag))
            records << r;
    }
    // Asked from a token, the server would not name again what a record left out held: with any
    // left out, the next run compares everything.
    const bool whole = records.size() == stored.size();
    const auto token = [&root, whole](const char *name) {
        const QString text = whole ? root.value(QLatin1String(name)).toString() : QString();
        return CalDavClient::isSafeEtag(text) && text.size() <= 1024 ? text : QString();
    };
    return {records, token("syncToken"), token("ctag")};
}

bool SyncState::save(const QString &file, const QString &calendarUrl, const Agreement &agreement)
{
    QJsonArray list;
    for (const SyncRecord &r : agreement.records) {
        QJsonObject o{{QLatin1String("uid"), r.uid},
                      {QLatin1String("href"), r.href},
                      {QLatin1String("etag"), r.etag},
                      {QLatin1String("date"), r.agreed.date.toString(Qt::ISODate)},
                      {QLatin1String("text"), r.agreed.text}};
        if (r.agreed.time.isValid())
            o.insert(QLatin1String("time"), r.agreed.time.toString(Qt::ISODate));
        if (r.occurrence.isValid())
            o.insert(QLatin1String("occurrence"), r.occurrence.toString(Qt::ISODate));
        if (!r.held)
            o.insert(QLatin1String("held"), false);
        list << o;
    }
    QJsonObject root{{QLatin1String("calendar"), calendarUrl}, {QLatin1String("records"), list}};
    if (!agreement.syncToken.isEmpty())
        root.insert(QLatin1String("syncToken"), agreement.syncToken);
    if (!agreement.ctag.isEmpty())
        root.insert(QLatin1String("ctag"), agreement.ctag);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // Every appointment agreed on, in clear: the user's alone to read.
    out.setPermissions(PrivateData::kFileMode);
    out.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    return out.commit();
}
