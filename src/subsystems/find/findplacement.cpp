#include "findplacement.h"

#include <QVector>
#include <algorithm>

namespace {

constexpr int kGap = 8;

QRect keptOn(QRect place, const QRect &screen)
{
    place.moveLeft(std::max(screen.left(), std::min(place.left(), screen.right() - place.width() + 1)));
    place.moveTop(std::max(screen.top(), std::min(place.top(), screen.bottom() - place.height() + 1)));
    return place;
}

qint64 covered(const QRect &place, const QRect &dayLists)
{
    const QRect both = place.intersected(dayLists);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

} // namespace

QPoint findWindowPlace(const QRect &mainWindow, const QRect &dayLists, const QSize &size, const QRect &screen)
{
    const QVector<QRect> beside = {
        QRect(QPoint(mainWindow.right() + 1 + kGap, mainWindow.top()), size),
        QRect(QPoint(mainWindow.left() - kGap - size.width(), mainWindow.top()), size),
        QRect(QPoint(mainWindow.left(), mainWindow.bottom() + 1 + kGap), size),
        QRect(QPoint(mainWindow.left(), mainWindow.top() - kGap - size.height()), size),
    };
    for (const QRect &place : beside) {
        if (screen.contains(place))
            return place.topLeft();
    }
    // No room beside it: the first place, kept on the screen, that leaves the lists in view, or
    // else hides the least of them.
    QRect best = keptOn(beside.first(), screen);
    for (const QRect &place : beside) {
        const QRect onScreen = keptOn(place, screen);
        if (covered(onScreen, dayLists) < covered(best, dayLists))
            best = onScreen;
    }
    return best.topLeft();
}
