#pragma once

#include "listinglines.h"

#include <QListView>
#include <QStringList>

// A list that shows lines through a model of lines (List2), never one item each: the lines are
// shared with whoever made them, or, for the full listing, written as they are shown.
inline void setLines(QListView *view, const QStringList &lines)
{
    static_cast<ListingLines *>(view->model())->setStringList(lines);
}

inline void setListing(QListView *view, const Appointments &appointments)
{
    static_cast<ListingLines *>(view->model())->showListing(appointments);
}
