#include "davprobe.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkReply>
#include <QXmlStreamReader>

namespace {

const QByteArray kXml = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
const QByteArray kNamespaces = QByteArrayLiteral(" xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"");

// The text of every DAV: element of that name.
QStringList davTexts(const QByteArray &answer, const QString &name)
{
    QStringList found;
    QXmlStreamReader xml(answer);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == name
            && xml.namespaceUri() == QLatin1String("DAV:"))
            found << xml.readElementText().trimmed();
    }
    return found;
}

} // namespace

DavProbe::DavProbe(const QUrl &server) : m_server(server) {}

DavProbe::Answer DavProbe::send(const QByteArray &verb, const QString &path, const QByteArray &body,
                                const QList<QPair<QByteArray, QByteArray>> &headers)
{
    QUrl url = m_server;
    // Hrefs come as the server wrote them, escapes and all.
    url.setPath(path, QUrl::TolerantMode);
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", kAgent);
    request.setTransferTimeout(600000);
    for (const auto &h : headers)
        request.setRawHeader(h.first, h.second);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
        request.setRawHeader("Content-Type", "application/xml; charset=utf-8");
    QElapsedTimer clock;
    clock.start();
    QNetworkReply *reply = m_net.sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Answer answer;
    answer.body = reply->readAll();
    answer.ms = clock.nsecsElapsed() / 1e6;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    reply->deleteLater();
    return answer;
}

DavProbe::Answer DavProbe::makeCalendar(const QString &path)
{
    return send("MKCALENDAR", path);
}

DavProbe::Answer DavProbe::syncCollection(const QString &calendar, const QString &token)
{
    const QByteArray body = kXml + "<d:sync-collection" + kNamespaces + "><d:sync-token>"
                            + token.toHtmlEscaped().toUtf8()
                            + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                              "</d:sync-collection>";
    return send("REPORT", calendar, body);
}

DavProbe::Answer DavProbe::listing(const QString &calendar)
{
    const QByteArray body = kXml + "<c:calendar-query" + kNamespaces
                            + "><d:prop><d:getetag/></d:prop><c:filter><c:comp-filter name=\"VCALENDAR\">"
                              "<c:comp-filter name=\"VEVENT\"/></c:comp-filter></c:filter></c:calendar-query>";
    return send("REPORT", calendar, body, {{"Depth", "1"}});
}

DavProbe::Answer DavProbe::multiget(const QString &calendar, const QStringList &hrefs)
{
    QByteArray body = kXml + "<c:calendar-multiget" + kNamespaces + "><d:prop><d:getetag/><c:calendar-data/></d:prop>";
    for (const QString &href : hrefs)
        body += "<d:href>" + href.toHtmlEscaped().toUtf8() + "</d:href>";
    body += "</c:calendar-multiget>";
    return send("REPORT", calendar, body, {{"Depth", "1"}});
}

DavProbe::Answer DavProbe::putNew(const QString &href, const QByteArray &event)
{
    return send("PUT", href, event, {{"Content-Type", "text/calendar; charset=utf-8"}, {"If-None-Match", "*"}});
}

DavProbe::Answer DavProbe::remove(const QString &href)
{
    return send("DELETE", href);
}

QString DavProbe::syncToken(const QByteArray &answer)
{
    const QStringList tokens = davTexts(answer, QStringLiteral("sync-token"));
    return tokens.isEmpty() ? QString() : tokens.last();
}

QStringList DavProbe::hrefs(const QByteArray &answer)
{
    return davTexts(answer, QStringLiteral("href"));
}
