#pragma once

#include <QString>
#include <functional>

// The desktop's way of telling the user something without a box to close.
class Notifier
{
public:
    virtual ~Notifier() = default;
    // Shows summary and body. `done` is told, later and on the caller's thread, whether the
    // desktop showed it; when it did not, the caller says it some other way.
    virtual void notify(const QString &summary, const QString &body, std::function<void(bool shown)> done) = 0;
};
