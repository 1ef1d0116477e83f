#include "davanswer.h"

#include "caldavclient.h"

#include <QNetworkReply>
#include <QSslError>
#include <QXmlStreamReader>

#include <algorithm>

namespace DavAnswer {

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
const QString kCalendarServer = QStringLiteral("http://calendarserver.org/ns/");
// Tokens of real servers are URLs of a few dozen characters; one far longer is not sent back.
constexpr int kMaxToken = 1024;

bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

} // namespace

QString networkTrouble(const QNetworkReply *reply)
{
    switch (reply->error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("connessione rifiutata.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("il server ha chiuso la connessione.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("server \"%1\" non trovato.").arg(reply->url().host());
    case QNetworkReply::TimeoutError:
        return QStringLiteral("tempo scaduto.");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("richiesta interrotta.");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("rete non disponibile.");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("proxy non raggiungibile.");
    default:
        return reply->errorString();
    }
}

QString certificateTrouble(const QNetworkReply *reply)
{
    switch (QSslError::SslError(reply->property(kSslErrorProperty).toInt())) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("certificato auto-firmato");
    case QSslError::CertificateExpired:
        return QStringLiteral("certificato scaduto");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("certificato non ancora valido");
    case QSslError::HostNameMismatch:
        return QStringLiteral("certificato di un altro server");
    case QSslError::CertificateRevoked:
        return QStringLiteral("certificato revocato");
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("certificato di un'autorità non riconosciuta");
    default:
        return reply->errorString();
    }
}


bool readMultistatus(const QByteArray &xml, QVector<Response> &out)
{
    Multistatus all;
    const bool read = readMultistatus(xml, all);
    out << all.responses;
    return read;
}

bool readMultistatus(const QByteArray &xml, Multistatus &out)
{
    QXmlStreamReader r(xml);
    Response current;
    bool sawRoot = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const auto ns = r.namespaceUri();
            const auto name = r.name();
            if (ns == kDav && name == QLatin1String("multistatus")) {
                sawRoot = true;
            } else if (ns == kDav && name == QLatin1String("response")) {
                current = Response();
            } else if (ns == kDav && name == QLatin1String("href")) {
                current.href = r.readElementText().trimmed();
            } else if (ns == kDav && name == QLatin1String("getetag")) {
                current.etag = r.readElementText().trimmed();
                // It goes back in a header: one with a line break in it would write headers of its own.
                if (!CalDavClient::isSafeEtag(current.etag))
                    return false;
            } else if (ns == kDav && name == QLatin1String("displayname")) {
                current.displayName = r.readElementText().trimmed().left(kMaxShown);
            } else if (ns == kDav && name == QLatin1String("status")) {
                const QString status = r.readElementText();
                if (!status.contains(QLatin1String(" 200")))
                    current.found = current.found && !current.etag.isEmpty();
                current.truncated = current.truncated || status.contains(QLatin1String(" 507"));
            } else if (ns == kCalendarServer && name == QLatin1String("getctag")) {
                current.ctag = r.readElementText().trimmed().left(kMaxToken);
            } else if (ns == kDav && name == QLatin1String("sync-token")) {
                const QString token = r.readElementText().trimmed();
                out.syncToken = token.size() <= kMaxToken && !hasControl(token) ? token : QString();
            } else if (ns == kCalDav && name == QLatin1String("calendar")) {
                current.isCalendar = true;
            } else if (ns == kCalDav && name == QLatin1String("calendar-data")) {
                current.calendarData = r.readElementText().toUtf8();
            }
        } else if (r.isEndElement() && r.namespaceUri() == kDav && r.name() == QLatin1String("response")) {
            out.responses << current;
        }
    }
    return sawRoot && !r.hasError();
}

} // namespace DavAnswer
