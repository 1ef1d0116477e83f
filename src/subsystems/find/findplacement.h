#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the find window opens: beside the main window (right, then left), else below or above
// it, so the day it lists on Enter stays in view. Where the screen has room for none of these,
// the place on the screen that covers least of the day lists.
QPoint findWindowPlace(const QRect &mainWindow, const QRect &dayLists, const QSize &size, const QRect &screen);
