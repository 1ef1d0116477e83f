#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

class QNetworkReply;

// What a CalDAV server's answers say, read without trusting them: the multistatus bodies, and
// our own Italian words for what went wrong on the way, whatever the language of Qt's texts.
namespace DavAnswer {

// What of a server's text is shown, at most.
constexpr int kMaxShown = 200;

// The reply property that keeps the first certificate error seen.
inline const char *const kSslErrorProperty = "vespolariSslError";

struct Response
{
    QString href;
    QString etag;
    QByteArray calendarData;
    bool isCalendar = false;
    QString displayName;
    QString ctag;       // the collection's getctag, where asked
    bool found = true;  // the propstat or the response said 200
    bool truncated = false;  // 507 on the collection: a sync-collection answer with more to come
};

// What a multistatus says besides its responses.
struct Multistatus
{
    QVector<Response> responses;
    QString syncToken;  // empty when none, or one that could not go back in a request
};

// A multistatus answer, one entry per <response>; false when it is not one, or when an ETag
// could not go back in a header.
bool readMultistatus(const QByteArray &xml, QVector<Response> &out);
bool readMultistatus(const QByteArray &xml, Multistatus &out);

QString networkTrouble(const QNetworkReply *reply);
QString certificateTrouble(const QNetworkReply *reply);

} // namespace DavAnswer
