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
};

class UndoHistory
{
public:
    // Older steps go once there are more than this.
    static constexpr int kDepth = 100;

    void push(const UndoStep &step);
    bool isEmpty() const { return m_steps.isEmpty(); }
    int size() const { return m_steps.size(); }
    const UndoStep &last() const { return m_steps.last(); }
    void dropLast() { m_steps.removeLast(); }

private:
    QVector<UndoStep> m_steps;
};
