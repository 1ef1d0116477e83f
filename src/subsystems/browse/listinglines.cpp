#include "listinglines.h"

ListingLines::ListingLines(QObject *parent) : QStringListModel(parent)
{
    // setStringList() is no virtual: its reset is where a listing shown ends.
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (!m_listingBegins)
            m_listing.clear();
    });
}

void ListingLines::showListing(const Appointments &appointments)
{
    setStringList({});
    m_listingBegins = true;
    beginResetModel();
    m_listing = appointments;
    // Made anew for each listing: the regional settings may have changed since the last one.
    m_text = AppointmentText();
    endResetModel();
    m_listingBegins = false;
}

int ListingLines::rowCount(const QModelIndex &parent) const
{
    if (m_listing.isEmpty())
        return QStringListModel::rowCount(parent);
    return parent.isValid() ? 0 : int(m_listing.size());
}

QVariant ListingLines::data(const QModelIndex &index, int role) const
{
    if (m_listing.isEmpty())
        return QStringListModel::data(index, role);
    if (!index.isValid() || index.row() >= m_listing.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_text.listingLine(m_listing.at(index.row()));
}

QModelIndex ListingLines::sibling(int row, int column, const QModelIndex &index) const
{
    if (m_listing.isEmpty())
        return QStringListModel::sibling(row, column, index);
    return QAbstractListModel::sibling(row, column, index);
}

QMap<int, QVariant> ListingLines::itemData(const QModelIndex &index) const
{
    if (m_listing.isEmpty())
        return QStringListModel::itemData(index);
    return QAbstractListModel::itemData(index);
}
