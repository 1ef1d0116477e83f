#pragma once

#include <QRect>
#include <QSize>
#include <QString>

// What a print job needs of the engine, and no more: the first sheet's page setup, its print
// area, and the job itself. Every failure throws StoreError.
class SheetPrinting
{
public:
    virtual ~SheetPrinting() = default;

    virtual void activateFirstSheet() = 0;
    // The page setup of the first sheet's page style. Lengths in 1/100 mm. The margins follow the
    // usual spreadsheet sense: top and bottom reach the body, header and footer margins the
    // header and footer lines.
    struct PageSetup
    {
        QRect printArea;  // x = column, y = row, both from 1; null when the sheet has none
        bool headerOn = false;
        QString centerHeader;
        int leftMargin = 0;
        int rightMargin = 0;
        int topMargin = 0;
        int bottomMargin = 0;
        int headerMargin = 0;
        int footerMargin = 0;
        int pagesWide = 0;  // 0 = not fitted that way
        int pagesTall = 0;
        int zoom = 100;
        bool gridlines = false;
        bool landscape = false;
        QSize paper;
        int titleRow = 0;  // the row repeated on top of every page, from 1; 0 for none
    };
    struct Margins
    {
        int left, right, top, bottom, header, footer;  // 1/100 mm
    };
    static constexpr int kMinZoom = 10;
    static constexpr int kMaxZoom = 400;

    virtual PageSetup pageSetup() const = 0;
    virtual void setPrintArea(int firstRow, int firstCol, int lastRow, int lastCol) = 0;
    // A row printed on top of every page, above a print area that does not hold it; 0 for none.
    virtual void setTitleRow(int row) = 0;
    // The centred header line; the left and right parts and the footer are emptied: the page
    // carries this one line besides the cells.
    virtual void setCenterHeader(const QString &text) = 0;
    // All six together: the office keeps header and footer room inside the top and bottom margins.
    virtual void setMargins(const Margins &margins) = 0;
    virtual void setFitToPages(int wide, int tall) = 0;
    virtual void setPrintGridlines(bool on) = 0;
    virtual void setLandscape(bool landscape) = 0;
    virtual void setPaperSize(const QSize &hundredthsMm) = 0;
    // A zoom replaces any fit-to-page scaling; outside kMinZoom..kMaxZoom it is refused.
    virtual void setZoom(int percent) = 0;
    // Prints the first sheet alone on the named queue, waiting until the job is handed to it.
    // A printer the office does not know is refused rather than replaced by its default.
    virtual void printOut(const QString &printerName, int copies) = 0;
    // The first sheet as it would print, as a PDF file (for checking what a page holds).
    virtual void exportPdf(const QString &path) const = 0;

};
