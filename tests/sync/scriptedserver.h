#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

// Just enough HTTP/1.1 to answer as a test scripts it, one request per connection; every request
// that reaches it is kept as it came, head and body.
class ScriptedServer : public QTcpServer
{
public:
    struct Answer
    {
        int status = 404;
        QByteArray headers, body;  // headers as whole lines, each ending in CR LF
    };

    explicit ScriptedServer(const QHostAddress &address = QHostAddress::LocalHost)
    {
        listen(address);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, this, [this, s] { serve(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        });
    }
    std::function<Answer(const QByteArray &request)> answer = [](const QByteArray &) { return Answer(); };
    QByteArrayList requests;

private:
    void serve(QTcpSocket *s)
    {
        s->setProperty("in", s->property("in").toByteArray() + s->readAll());
        const QByteArray in = s->property("in").toByteArray();
        const int end = in.indexOf("\r\n\r\n"), at = in.toLower().indexOf("content-length:");
        const int length = at < 0 ? 0 : in.mid(at + 15, in.indexOf("\r\n", at) - at - 15).trimmed().toInt();
        if (end < 0 || in.size() < end + 4 + length)
            return;
        requests << in;
        const Answer a = answer(in);
        s->write("HTTP/1.1 " + QByteArray::number(a.status) + " Scripted\r\n" + a.headers + "Content-Length: "
                 + QByteArray::number(a.body.size()) + "\r\nConnection: close\r\n\r\n" + a.body);
        s->disconnectFromHost();
    }
};
