#pragma once

#include <QListView>
#include <QStringList>
#include <QStringListModel>

// A list that shows lines through a string list model (List2): the lines are shared with whoever
// made them, never one item each.
inline void setLines(QListView *view, const QStringList &lines)
{
    static_cast<QStringListModel *>(view->model())->setStringList(lines);
}
