#include "findresults.h"

void FindResults::setFound(const Appointments &among, const QVector<int> &found)
{
    beginResetModel();
    m_among = among;
    m_found = found;
    endResetModel();
}

int FindResults::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_found.size();
}

int FindResults::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant FindResults::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_found.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const Appointment &a = at(index.row());
    switch (index.column()) {
    case 0:
        return m_text.date(a.date);
    case 1:
        return m_text.time(a.time);
    default:
        return m_text.plain(a.text);
    }
}

QVariant FindResults::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0:
        return QStringLiteral("Data");
    case 1:
        return QStringLiteral("Ora");
    default:
        return QStringLiteral("Testo");
    }
}
