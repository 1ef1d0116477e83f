#pragma once

#include <QMap>
#include <QString>

class Radicale;

// The requests the server logged, one "... request for ..." line each, leaving out the
// benchmark's own probe.
class RequestLog
{
public:
    explicit RequestLog(Radicale &server) : m_server(server) {}

    // Forgets what was logged so far.
    void mark();
    // What came since the mark, as "3 (PUT 2, REPORT 1)".
    QString sinceMark();

private:
    Radicale &m_server;
};
