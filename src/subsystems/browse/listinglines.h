#pragma once

#include "domain/appointment.h"
#include "domain/appointmenttext.h"

#include <QStringListModel>

// The lines of the texts list (List2): the strings it is given (a day's texts), or the full
// listing, one line per stored appointment, each written only when the view asks for it, so
// 65,000 appointments are not held a second time as 65,000 lines of text. Setting a string
// list ends the listing.
class ListingLines : public QStringListModel
{
    Q_OBJECT

public:
    explicit ListingLines(QObject *parent = nullptr);

    // Date, eight blanks, time, eight blanks, text, for each of these in turn.
    void showListing(const Appointments &appointments);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    QMap<int, QVariant> itemData(const QModelIndex &index) const override;

private:
    Appointments m_listing;
    mutable AppointmentText m_text;
    bool m_listingBegins = false;
};
