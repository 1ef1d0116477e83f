#pragma once

#include <QLabel>

// The small picture in the corner of the main window; any mouse button presses it.
class LinkImage : public QLabel
{
    Q_OBJECT

public:
    explicit LinkImage(QWidget *parent = nullptr);

signals:
    void pressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
