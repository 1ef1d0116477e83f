#pragma once

#include "appointment.h"

#include <QDate>
#include <QVector>

// The days of a month that a day click would list something for: a date value in column A, with
// or without a time of day, as Appointment::isOn reads it. A text typed by hand into column A marks
// no day, since no click can list it. In date order, each day once.
QVector<QDate> busyDays(const Appointments &appointments, int year, int month);
