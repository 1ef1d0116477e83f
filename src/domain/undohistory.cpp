#include "undohistory.h"

void UndoHistory::push(UndoStep step)
{
    step.id = ++m_lastId;
    m_steps.append(step);
    if (m_steps.size() > kDepth)
        m_steps.removeFirst();
}

void UndoHistory::dropNewerThan(quint64 id)
{
    while (!m_steps.isEmpty() && m_steps.last().id > id)
        m_steps.removeLast();
}
