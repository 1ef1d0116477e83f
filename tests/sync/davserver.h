#pragma once

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

// A CalDAV server of Debian's on a free port of 127.0.0.1 with a folder of its own, holding one
// calendar at /<owner>/cal/. Stopped and started again on the same port and storage, as a server
// that went down for a while. What differs between servers is how each is started.
class DavServer
{
public:
    DavServer(const DavServer &) = delete;
    DavServer &operator=(const DavServer &) = delete;
    virtual ~DavServer()
    {
        stop();
        if (m_reserved >= 0)
            ::close(m_reserved);
    }

    // Again on the same port, as a server back from being down.
    void start()
    {
        if (!launch())
            qFatal("%s did not start again: %s", name(), m_log.constData());
    }
    void stop()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    // A user's calendars live under the user's name.
    QString owner() const { return m_user.isEmpty() ? QStringLiteral("u") : m_user; }
    QString calendar() const { return QStringLiteral("http://127.0.0.1:%1/%2/cal/").arg(m_port).arg(owner()); }
    // What it logged since it started, or since the last call: Radicale says "... request for ..." per request.
    QByteArray newLog() { return m_process.readAll(); }

    // The status of a request of our own; how many events the calendar holds.
    int request(const QByteArray &verb, const QString &path, const QByteArray &body = {}, QByteArray *answer = nullptr)
    {
        QNetworkRequest r(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
        r.setRawHeader("Depth", "1");
        // Something else on the port that never answers fails the request instead of hanging it.
        r.setTransferTimeout(30000);
        if (!m_user.isEmpty())
            r.setRawHeader("Authorization", "Basic " + (m_user + QLatin1Char(':') + m_password).toUtf8().toBase64());
        QNetworkReply *reply = m_net.sendCustomRequest(r, verb, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        if (answer)
            *answer = reply->readAll();
        reply->deleteLater();
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }
    int events()
    {
        QByteArray answer;
        request("PROPFIND", QStringLiteral("/%1/cal/").arg(owner()), {}, &answer);
        // Whatever prefix the server gives the DAV namespace.
        static const QRegularExpression href(QStringLiteral("\\.ics</([A-Za-z0-9]+:)?href>"));
        return int(QString::fromUtf8(answer).count(href));
    }

protected:
    DavServer(const QString &user, const QString &password) : m_user(user), m_password(password) {}

    // Up with its calendar, from the constructor of a server that can say how it is started.
    void open()
    {
        reservePort();
        // Should the port be lost all the same, a new one is tried.
        for (int attempt = 1; !(launch() && makeCalendar()); ++attempt) {
            if (attempt == 5)
                qFatal("%s did not start: %s", name(), m_log.constData());
            stop();
            reservePort();
        }
    }

    virtual const char *name() const = 0;
    virtual QStringList arguments() const = 0;
    // What it says once it listens on the port, which something else answering there cannot fake.
    virtual QByteArray readySign() const = 0;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    quint16 port() const { return m_port; }
    const QString &user() const { return m_user; }
    const QString &password() const { return m_password; }

private:
    // A port the system picked, kept bound (never listening) for the server's whole life: it is
    // given to no other program, not even while the server is down, and a Python server, binding
    // with SO_REUSEADDR, still gets it.
    void reservePort()
    {
        if (m_reserved >= 0)
            ::close(m_reserved);
        m_reserved = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_reserved < 0 || ::setsockopt(m_reserved, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
            || ::bind(m_reserved, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::getsockname(m_reserved, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            qFatal("no port for %s", name());
        m_port = ntohs(address.sin_port);
    }
    bool launch()
    {
        // A test that dies (a failed check's abort) takes its server with it.
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // Python holds back what it prints into a pipe; the ready sign may be such a print.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1"));
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral("/usr/bin/") + QString::fromLatin1(name()).toLower(), arguments());
        m_log.clear();
        for (int i = 0; i < 400 && m_process.state() != QProcess::NotRunning; ++i) {
            m_log += m_process.readAll();
            if (m_log.contains(readySign()))
                return true;
            QTest::qWait(50);
        }
        m_log += m_process.readAll();
        return false;
    }
    bool makeCalendar()
    {
        request("MKCOL", QStringLiteral("/%1/").arg(owner()));
        return request("MKCALENDAR", QStringLiteral("/%1/cal/").arg(owner())) == 201;
    }

    QTemporaryDir m_dir;
    QString m_user, m_password;
    int m_reserved = -1;
    quint16 m_port = 0;
    QProcess m_process;
    QByteArray m_log; // what it said while starting
    QNetworkAccessManager m_net;
};
