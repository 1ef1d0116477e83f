#pragma once

#include <QRect>

// The windows keep the positions they were drawn with, in twips: 15 make a pixel at 96 dpi.
inline QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}
