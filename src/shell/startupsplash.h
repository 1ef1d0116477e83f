#pragma once

#include <QElapsedTimer>
#include <memory>

class QWidget;

// "Avvio di Vespolari...": shown once a start has taken longer than a second (a new office
// profile takes several), kept painted while the office starts, gone before the main window.
class StartupSplash
{
public:
    static constexpr int kDelayMs = 1000;

    StartupSplash();
    ~StartupSplash();
    // Called while the start waits; shows the splash when it is due and keeps it drawn.
    void tick();
    void close();

private:
    QElapsedTimer m_clock;
    std::unique_ptr<QWidget> m_window;
};
