#include "backgroundsave.h"

#include "heldrows.h"

#include "store/calcworkbook.h"

#include "sheetrows.h"

struct BackgroundSave::Pending
{
    quint64 serial = 0;
    bool saves = true;
    CellBlock rows;  // what the save writes
    quint64 newestStep = 0;
    std::shared_ptr<Outcome> outcome;
    Ended ended;
};

BackgroundSave::BackgroundSave(CalcWorkbook &book, HeldRows &rows, std::function<void()> changed, QObject *parent)
    : QObject(parent), m_book(book), m_rows(rows), m_changed(std::move(changed))
{
    // Whoever else reaches the office while work is out collects it first, as we would.
    m_book.setCollector([this] { settle(); });
}

BackgroundSave::~BackgroundSave()
{
    settle();
    m_book.setCollector({});
}

void BackgroundSave::lend(const std::function<void(Outcome &)> &work, bool saves, quint64 newestStep, Ended ended)
{
    // One out at a time, each collected as its own.
    settle();
    auto pending = std::make_unique<Pending>();
    const quint64 serial = pending->serial = ++m_serial;
    pending->saves = saves;
    pending->rows = m_rows.held();
    pending->newestStep = newestStep;
    pending->outcome = std::make_shared<Outcome>();
    pending->ended = std::move(ended);
    const std::shared_ptr<Outcome> outcome = pending->outcome;
    m_book.startBackground([this, work, outcome, serial] {
        // Told as soon as it ends, whoever is waiting or not; work collected meanwhile by a call
        // that waited for it must not make this wait for the next one.
        struct Tell
        {
            BackgroundSave *save;
            quint64 serial;
            ~Tell()
            {
                QMetaObject::invokeMethod(
                    save,
                    [save = save, serial = serial] {
                        if (save->m_pending && save->m_pending->serial == serial)
                            save->waitForSave();
                    },
                    Qt::QueuedConnection);
            }
        } tell{this, serial};
        work(*outcome);
    });
    m_pending = std::move(pending);
}

void BackgroundSave::settle()
{
    if (!m_pending)
        return;
    const std::unique_ptr<Pending> pending = std::move(m_pending);
    std::optional<StoreError> failure;
    try {
        m_book.finishBackground();
    } catch (const StoreError &e) {
        failure = e;
    }
    if (!m_book.officeAlive()) {
        // The rows held outlive the open workbook: the recovery writes them again.
        m_rows.follow();
        m_rows.forget();
    } else if (!pending->outcome->sorted) {
        try {
            m_rows.reload();
        } catch (const StoreError &) {
            m_rows.forget();
        }
        m_changed();
    } else {
        m_rows.follow();
    }
    if (!failure && pending->saves)
        m_rows.saved(pending->outcome->sorted || !m_rows.known() ? pending->rows : m_rows.held(), pending->newestStep);
    if (pending->ended) {
        m_news << [ended = pending->ended, failure] { ended(failure); };
        if (!m_newsPosted) {
            // Told at the next wait, or from the event loop: never in the middle of an office call.
            m_newsPosted = true;
            QMetaObject::invokeMethod(this, &BackgroundSave::tellNews, Qt::QueuedConnection);
        }
    }
}

void BackgroundSave::tellNews()
{
    m_newsPosted = false;
    while (!m_news.isEmpty())
        m_news.takeFirst()();
}

void BackgroundSave::waitForSave()
{
    settle();
    tellNews();
}
