#pragma once

#include "sheetrows.h"

#include <QVector>

// What this run changed or deleted, newest last, so that it can be taken back step by step.
// Each step keeps the rows one bulk write put back, and the appointment before and after, for
// when other rows moved in the meantime (an insertion sorts them).
struct UndoStep
{
    enum Kind { Change, Removal, Insertion };

    Kind kind = Change;
    SheetRows::RowEdit edit;
    CellRow old;      // the row as it was
    CellRow current;  // the row the change left (empty for a removal)
    CellBlock inserted;  // the rows a bulk insertion added
    quint64 id = 0;   // given by the history: which step the user chose, whatever came since
};

class UndoHistory
{
public:
    // Older steps go once there are more than this.
    static constexpr int kDepth = 100;

    // Keeps the step under an id of its own.
    void push(UndoStep step);
    bool isEmpty() const { return m_steps.isEmpty(); }
    int size() const { return m_steps.size(); }
    const UndoStep &last() const { return m_steps.last(); }
    void dropLast() { m_steps.removeLast(); }
    // The id of the newest step, 0 when there is none.
    quint64 newest() const { return m_steps.isEmpty() ? 0 : m_steps.last().id; }
    // The steps newer than that one go.
    void dropNewerThan(quint64 id);

private:
    QVector<UndoStep> m_steps;
    quint64 m_lastId = 0;
};
