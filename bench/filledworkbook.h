#pragma once

#include <QDate>
#include <QString>

// A copy of the empty workbook filled with n random appointments over ten years, written in
// bulk through the store, sorted and saved. Returns the day with the most appointments.
QDate fillWorkbook(const QString &path, int n, quint32 seed);
