#include "undohistory.h"

void UndoHistory::push(const UndoStep &step)
{
    m_steps.append(step);
    if (m_steps.size() > kDepth)
        m_steps.removeFirst();
}
