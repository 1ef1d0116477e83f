#pragma once

#include "services/filechooser.h"

class QWidget;

class QtFileChooser : public FileChooser
{
public:
    explicit QtFileChooser(QWidget *parent) : m_parent(parent) {}
    QString fileToSave(const QString &caption, const QString &suggested, const QString &filter) override;
    QString fileToOpen(const QString &caption, const QString &folder, const QString &filter) override;

private:
    QWidget *m_parent;
};
