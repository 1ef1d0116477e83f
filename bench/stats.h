#pragma once

#include <QVector>
#include <algorithm>

// Several timings of one operation, in milliseconds.
struct Timings
{
    QVector<double> ms;

    double median() const
    {
        if (ms.isEmpty())
            return 0;
        QVector<double> s = ms;
        std::sort(s.begin(), s.end());
        return s.size() % 2 ? s[s.size() / 2] : (s[s.size() / 2 - 1] + s[s.size() / 2]) / 2;
    }
    double min() const { return ms.isEmpty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    double max() const { return ms.isEmpty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};
