#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into a close of the main window, so that a session ending
// or a kill request saves the workbook like the close box does.
class TerminationWatch : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatch(QObject *parent = nullptr);

signals:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
