#pragma once

#include "domain/appointment.h"
#include "domain/appointmenttext.h"

#include <QAbstractTableModel>

// The appointments found, as the result list shows them: date, time, text. The lines are
// written only for the rows on screen, so a query matching tens of thousands costs no more
// than one matching ten.
class FindResults : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Those of `among` at the positions found, in that order; `among` is shared, not copied.
    void setFound(const Appointments &among, const QVector<int> &found);
    const Appointment &at(int row) const { return m_among.at(m_found.at(row)); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    Appointments m_among;
    QVector<int> m_found;
    mutable AppointmentText m_text;
};
