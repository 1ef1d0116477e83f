#pragma once

#include "tasks/syncengine.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QNetworkAccessManager>

// When the engine sends its first request after being armed: a reply is born a child of its
// network access manager.
class FirstRequest : public QObject
{
public:
    explicit FirstRequest(SyncEngine &engine) : m_net(engine.findChild<QNetworkAccessManager *>())
    {
        if (m_net)
            m_net->installEventFilter(this);
    }
    bool sees() const { return m_net; }
    void arm(const QElapsedTimer &clock)
    {
        m_clock = &clock;
        m_at = -1;
    }
    // Since the clock started; below zero when none went.
    double at() const { return m_at; }

private:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded && m_clock && m_at < 0)
            m_at = m_clock->nsecsElapsed() / 1e6;
        return false;
    }

    QNetworkAccessManager *m_net;
    const QElapsedTimer *m_clock = nullptr;
    double m_at = -1;
};
