#include "storagewatch.h"

#include <QFile>

#include <climits>
#include <sys/inotify.h>
#include <unistd.h>

StorageWatch::StorageWatch(const QString &folder)
{
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0 || inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
        qFatal("cannot watch %s", qPrintable(folder));
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { read(); });
}

StorageWatch::~StorageWatch()
{
    m_notifier.reset();
    ::close(m_fd);
}

void StorageWatch::read()
{
    alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
    bool any = false;
    for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
        for (char *at = buffer; at < buffer + got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            const QString name = event->len ? QFile::decodeName(event->name) : QString();
            // The server's own files (its cache, its temporary folders) start with a dot.
            if (name.endsWith(QLatin1String(".ics")) && !name.startsWith(QLatin1Char('.'))) {
                m_names.insert(name);
                any = true;
            }
            at += sizeof(inotify_event) + event->len;
        }
    }
    if (any && onLanded)
        onLanded();
}
