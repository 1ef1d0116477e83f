#pragma once

#include "store/storeerror.h"

#include <QObject>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class CalcWorkbook;
class HeldRows;

// The office lent to one piece of work on a thread of its own, a save mostly, so that the save of
// a large workbook never holds the window. Nothing else reaches the office until the work is
// collected: whoever needs it collects it first. Whoever started the work is told how it ended on
// the window's thread, never in the middle of an office call.
class BackgroundSave : public QObject
{
    Q_OBJECT

public:
    using Ended = std::function<void(const std::optional<StoreError> &failure)>;
    struct Outcome
    {
        bool sorted = true;  // false: the office's order is not the one the rows held follow
    };

    // `changed`: the rows held were read again, as the office left them.
    BackgroundSave(CalcWorkbook &book, HeldRows &rows, std::function<void()> changed, QObject *parent = nullptr);
    ~BackgroundSave() override;

    // Starts the work once the one out is collected; `saves`: it writes the disk, which then holds
    // the rows held now and the undo steps up to `newestStep`.
    void lend(const std::function<void(Outcome &)> &work, bool saves, quint64 newestStep, Ended ended);
    bool pending() const { return bool(m_pending); }
    // Collects the work out: the rows held and the disk's follow its outcome; the news waits.
    void settle();
    // Collects it and tells whoever started the work collected.
    void waitForSave();
    // The run ends: whatever the collected work would say is said by the last save instead.
    void dropNews() { m_news.clear(); }

private:
    struct Pending;
    void tellNews();

    CalcWorkbook &m_book;
    HeldRows &m_rows;
    std::function<void()> m_changed;
    std::unique_ptr<Pending> m_pending;
    QVector<std::function<void()>> m_news;
    bool m_newsPosted = false;
    quint64 m_serial = 0;
};
