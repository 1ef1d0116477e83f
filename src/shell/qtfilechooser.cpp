#include "qtfilechooser.h"

#include <QFileDialog>

QString QtFileChooser::fileToSave(const QString &caption, const QString &suggested, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, suggested, filter);
}

QString QtFileChooser::fileToOpen(const QString &caption, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, folder, filter);
}
