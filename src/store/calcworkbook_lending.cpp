// The office lent to a thread of its own, and nobody else reaching it meanwhile.

#include "calcworkbook_p.h"

#include "storeerror.h"
#include "storeliterals.h"

#include <chrono>

namespace {

// The workbook this thread holds as lent work, if any.
thread_local const CalcWorkbook *t_lentTo = nullptr;

} // namespace

CalcWorkbook::Held::Held(CalcWorkbook &book) : m_book(book), m_impl(std::make_unique<Impl>()) {}

CalcWorkbook::Held::~Held() = default;

CalcWorkbook::Impl *CalcWorkbook::Held::operator->() const
{
    if (t_lentTo != &m_book && m_impl->lent.job.valid())
        m_book.reclaim();
    return m_impl.get();
}

void CalcWorkbook::reclaim()
{
    // The owner collects first: what the work did is the owner's to take.
    if (d.bare()->lent.collect)
        d.bare()->lent.collect();
    try {
        finishBackground();
    } catch (const StoreError &) {
        // Nobody asked for this work's outcome; what it left behind shows in the call that follows.
    }
}

void CalcWorkbook::startBackground(std::function<void()> work)
{
    if (d.bare()->lent.job.valid())
        reclaim();
    d.bare()->lent.job = std::async(std::launch::async, [this, work = std::move(work)] {
        t_lentTo = this;
        struct Back
        {
            ~Back() { t_lentTo = nullptr; }
        } back;
        work();
    });
}

void CalcWorkbook::finishBackground()
{
    LentOffice &lent = d.bare()->lent;
    if (!lent.job.valid())
        return;
    if (lent.job.wait_for(std::chrono::milliseconds(lent.patienceMs)) == std::future_status::timeout) {
        // The call the work waits in ends with the office; the recovery takes over from there.
        abandonOffice();
        lent.job.wait();
    }
    std::future<void> job = std::move(lent.job);
    try {
        job.get();
    } catch (const StoreError &) {
        if (!officeAlive())
            throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
        throw;
    } catch (const std::exception &e) {
        throw StoreError(StoreError::Unforeseen, QString::fromLocal8Bit(e.what()));
    }
}

bool CalcWorkbook::inBackground() const
{
    return d.bare()->lent.job.valid();
}

void CalcWorkbook::setCollector(std::function<void()> collect)
{
    d.bare()->lent.collect = std::move(collect);
}

void CalcWorkbook::setPatience(int msecs)
{
    d.bare()->lent.patienceMs = msecs;
}

void CalcWorkbook::abandonOffice()
{
    d.bare()->process.kill();
}
