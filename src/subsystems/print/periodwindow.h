#pragma once

#include "domain/period.h"

#include <QWidget>

class QDateEdit;

// "Stampa periodo": the days whose appointments go on paper, or in a PDF file. What is done with
// them is its handler's.
class PeriodWindow : public QWidget
{
    Q_OBJECT

public:
    static const QString kCaption;

    explicit PeriodWindow(QWidget *parent = nullptr);

    void setPeriod(const Period &period);
    Period period() const;

signals:
    void printRequested();
    void pdfRequested();

private:
    QDateEdit *fromEdit = nullptr;
    QDateEdit *toEdit = nullptr;
};
