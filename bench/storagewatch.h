#pragma once

#include <QSet>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>

// Events landing in a calendar's storage folder as the server writes them: each event file is
// moved into place under its own name once its body is on disk, before the server answers.
class StorageWatch
{
public:
    explicit StorageWatch(const QString &folder);
    ~StorageWatch();

    // Names landed since the last reset, each once.
    int landed() const { return int(m_names.size()); }
    void reset() { m_names.clear(); }
    // Called on the event loop each time something lands.
    std::function<void()> onLanded;

private:
    void read();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QSet<QString> m_names;
};
