#include "startupsplash.h"

#include <QApplication>
#include <QLabel>

StartupSplash::StartupSplash()
{
    m_clock.start();
}

StartupSplash::~StartupSplash() = default;

void StartupSplash::tick()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    if (!m_window && m_clock.elapsed() >= kDelayMs) {
        auto *label = new QLabel(QStringLiteral("Avvio di Vespolari..."));
        label->setObjectName(QStringLiteral("Avvio"));
        // Not "Vespolari": that name belongs to the main window.
        label->setWindowTitle(QStringLiteral("Avvio di Vespolari"));
        label->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setMargin(24);
        label->setMinimumSize(300, 90);
        m_window.reset(label);
        m_window->show();
        m_window->raise();
    }
    if (m_window)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void StartupSplash::close()
{
    m_window.reset();
}
