#include "officewatch.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <map>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// One thread for every call watched, started with the first and never stopped: it must outlive
// whatever static it could meet at the program's end, so it and its state are never destroyed.
struct Watcher
{
    struct Watched
    {
        Clock::time_point deadline;
        pid_t office;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::map<unsigned long long, Watched> calls;
    unsigned long long lastId = 0;

    Watcher()
    {
        std::thread([this] { run(); }).detach();
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            auto first = calls.end();
            for (auto it = calls.begin(); it != calls.end(); ++it)
                if (first == calls.end() || it->second.deadline < first->second.deadline)
                    first = it;
            if (first == calls.end()) {
                changed.wait(lock);
                continue;
            }
            if (first->second.deadline > Clock::now()) {
                // Whatever ended or began meanwhile, the calls are looked at anew.
                changed.wait_until(lock, first->second.deadline);
                continue;
            }
            ::kill(first->second.office, SIGKILL);
            calls.erase(first);
        }
    }
};

Watcher &watcher()
{
    static Watcher *const instance = new Watcher;
    return *instance;
}

} // namespace

namespace OfficeWatch {

Call::Call(pid_t office, int patienceMs)
{
    if (office <= 0)
        return;
    Watcher &w = watcher();
    const std::lock_guard<std::mutex> lock(w.mutex);
    m_id = ++w.lastId;
    w.calls[m_id] = {Clock::now() + std::chrono::milliseconds(patienceMs), office};
    w.changed.notify_one();
}

Call::~Call()
{
    if (m_id == 0)
        return;
    Watcher &w = watcher();
    const std::lock_guard<std::mutex> lock(w.mutex);
    w.calls.erase(m_id);
    w.changed.notify_one();
}

} // namespace OfficeWatch
