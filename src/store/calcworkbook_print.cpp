// Page setup and printing. Everything lives on the first sheet's page style, so it is saved with
// the workbook.

#include "calcworkbook_p.h"

#include "storeerror.h"

#include <QUrl>

#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/view/XPrintable.hpp>

#include <vector>

namespace {

Reference<beans::XPropertySet> pageStyleOf(const Reference<sheet::XSpreadsheet> &sheet,
                                           const Reference<lang::XComponent> &document)
{
    OUString name;
    Reference<beans::XPropertySet>(sheet, UNO_QUERY_THROW)->getPropertyValue("PageStyle") >>= name;
    Reference<style::XStyleFamiliesSupplier> families(document, UNO_QUERY_THROW);
    Reference<container::XNameAccess> pageStyles(families->getStyleFamilies()->getByName("PageStyles"),
                                                 UNO_QUERY_THROW);
    return Reference<beans::XPropertySet>(pageStyles->getByName(name), UNO_QUERY_THROW);
}

template <typename T>
T property(const Reference<beans::XPropertySet> &set, const OUString &name)
{
    T value{};
    set->getPropertyValue(name) >>= value;
    return value;
}

template <typename T>
T property(const Reference<beans::XPropertySet> &set, const char *name)
{
    return property<T>(set, OUString::createFromAscii(name));
}

// The office exports every sheet with content, and prints every selected one. For one job the
// other sheets get no print range, and afterwards their own back: nothing of theirs changes.
class OnlyFirstSheetPrints
{
public:
    explicit OnlyFirstSheetPrints(const Reference<lang::XComponent> &document)
    {
        Reference<container::XIndexAccess> sheets(
            Reference<sheet::XSpreadsheetDocument>(document, UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
        try {
            for (sal_Int32 i = 1; i < sheets->getCount(); ++i) {
                Kept kept{Reference<sheet::XPrintAreas>(sheets->getByIndex(i), UNO_QUERY_THROW), {}, false};
                kept.areas = kept.sheet->getPrintAreas();
                Reference<beans::XPropertySet> props(kept.sheet, UNO_QUERY_THROW);
                kept.wholeSheet = property<bool>(props, "AutomaticPrintArea");
                m_kept.push_back(kept);
                kept.sheet->setPrintAreas({});
                props->setPropertyValue("AutomaticPrintArea", uno::Any(false));
            }
        } catch (...) {
            restore();
            throw;
        }
    }
    ~OnlyFirstSheetPrints() { restore(); }

private:
    struct Kept
    {
        Reference<sheet::XPrintAreas> sheet;
        Sequence<table::CellRangeAddress> areas;
        bool wholeSheet;
    };
    void restore() noexcept
    {
        for (const Kept &kept : m_kept) {
            try {
                kept.sheet->setPrintAreas(kept.areas);
                Reference<beans::XPropertySet>(kept.sheet, UNO_QUERY_THROW)
                    ->setPropertyValue("AutomaticPrintArea", uno::Any(kept.wholeSheet));
            } catch (...) {
                // The office went away: there is nothing left to give back.
            }
        }
        m_kept.clear();
    }
    std::vector<Kept> m_kept;
};

} // namespace

CalcWorkbook::PageSetup CalcWorkbook::pageSetup() const
{
    return d->call("impostazione pagina", [&] {
        const Reference<sheet::XSpreadsheet> sheet = d->firstSheet();
        const Reference<beans::XPropertySet> style = pageStyleOf(sheet, d->document);
        PageSetup s;
        const Sequence<table::CellRangeAddress> areas =
            Reference<sheet::XPrintAreas>(sheet, UNO_QUERY_THROW)->getPrintAreas();
        if (areas.getLength() > 0) {
            const table::CellRangeAddress &a = areas[0];
            s.printArea = QRect(QPoint(a.StartColumn + 1, a.StartRow + 1), QPoint(a.EndColumn + 1, a.EndRow + 1));
        }
        const Reference<sheet::XPrintAreas> printAreas(sheet, UNO_QUERY_THROW);
        if (printAreas->getPrintTitleRows())
            s.titleRow = printAreas->getTitleRows().StartRow + 1;
        s.headerOn = property<bool>(style, "HeaderIsOn");
        Reference<sheet::XHeaderFooterContent> content;
        style->getPropertyValue("RightPageHeaderContent") >>= content;
        if (content.is())
            s.centerHeader = fromOU(content->getCenterText()->getString());
        s.leftMargin = property<sal_Int32>(style, "LeftMargin");
        s.rightMargin = property<sal_Int32>(style, "RightMargin");
        const int top = property<sal_Int32>(style, "TopMargin");
        const int bottom = property<sal_Int32>(style, "BottomMargin");
        s.headerMargin = top;
        s.topMargin = s.headerOn ? top + property<sal_Int32>(style, "HeaderHeight") : top;
        s.footerMargin = bottom;
        s.bottomMargin = property<bool>(style, "FooterIsOn") ? bottom + property<sal_Int32>(style, "FooterHeight")
                                                              : bottom;
        s.pagesWide = property<sal_Int16>(style, "ScaleToPagesX");
        s.pagesTall = property<sal_Int16>(style, "ScaleToPagesY");
        s.zoom = property<sal_Int16>(style, "PageScale");
        s.gridlines = property<bool>(style, "PrintGrid");
        s.landscape = property<bool>(style, "IsLandscape");
        const awt::Size size = property<awt::Size>(style, "Size");
        s.paper = QSize(size.Width, size.Height);
        return s;
    });
}

void CalcWorkbook::setPrintArea(int firstRow, int firstCol, int lastRow, int lastCol)
{
    d->call("area di stampa", [&] {
        const Reference<sheet::XSpreadsheet> sheet = d->firstSheet();
        Sequence<table::CellRangeAddress> areas(1);
        areas[0] = addressOf(d->range(firstRow, firstCol, lastRow, lastCol));
        Reference<sheet::XPrintAreas>(sheet, UNO_QUERY_THROW)->setPrintAreas(areas);
    });
}

void CalcWorkbook::setTitleRow(int row)
{
    d->call("righe da ripetere", [&] {
        Reference<sheet::XPrintAreas> areas(d->firstSheet(), UNO_QUERY_THROW);
        if (row > 0)
            areas->setTitleRows(addressOf(d->range(row, 1, row, 1)));
        areas->setPrintTitleRows(row > 0);
    });
}

void CalcWorkbook::setCenterHeader(const QString &text)
{
    d->call("intestazione", [&] {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("HeaderIsOn", uno::Any(true));
        style->setPropertyValue("HeaderIsShared", uno::Any(true));
        // An empty footer rather than none: without one the file gets the office's default
        // footer margin instead of ours.
        style->setPropertyValue("FooterIsOn", uno::Any(true));
        style->setPropertyValue("FooterIsShared", uno::Any(true));
        const auto fill = [&](const char *part, const QString &center) {
            Reference<sheet::XHeaderFooterContent> content;
            style->getPropertyValue(OUString::createFromAscii(part)) >>= content;
            if (!content.is())
                throw StoreError(StoreError::OperationFailed, QStringLiteral("Intestazione non disponibile"));
            content->getLeftText()->setString(OUString());
            content->getCenterText()->setString(toOU(center));
            content->getRightText()->setString(OUString());
            // The content is a copy: it only takes effect when written back.
            style->setPropertyValue(OUString::createFromAscii(part), uno::Any(content));
        };
        fill("RightPageHeaderContent", text);
        fill("RightPageFooterContent", QString());
    });
}

void CalcWorkbook::setMargins(const Margins &m)
{
    d->call("margini", [&] {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("LeftMargin", uno::Any(sal_Int32(m.left)));
        style->setPropertyValue("RightMargin", uno::Any(sal_Int32(m.right)));
        // The office measures the top margin to the header, and the header's room down to the body
        // (the same at the bottom with the footer).
        const auto edge = [&](const OUString &part, const OUString &margin, int body, int line) {
            if (property<bool>(style, part + "IsOn") && body >= line) {
                style->setPropertyValue(part + "IsDynamicHeight", uno::Any(false));
                style->setPropertyValue(part + "BodyDistance", uno::Any(sal_Int32(0)));
                style->setPropertyValue(margin, uno::Any(sal_Int32(line)));
                style->setPropertyValue(part + "Height", uno::Any(sal_Int32(body - line)));
            } else {
                style->setPropertyValue(margin, uno::Any(sal_Int32(body)));
            }
        };
        edge("Header", "TopMargin", m.top, m.header);
        edge("Footer", "BottomMargin", m.bottom, m.footer);
    });
}

void CalcWorkbook::setFitToPages(int wide, int tall)
{
    d->call("adatta alla pagina", [&] {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("ScaleToPagesX", uno::Any(sal_Int16(wide)));
        style->setPropertyValue("ScaleToPagesY", uno::Any(sal_Int16(tall)));
    });
}

void CalcWorkbook::setPrintGridlines(bool on)
{
    d->call("griglia", [&] { pageStyleOf(d->firstSheet(), d->document)->setPropertyValue("PrintGrid", uno::Any(on)); });
}

void CalcWorkbook::setLandscape(bool landscape)
{
    d->call("orientamento", [&] {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        awt::Size size = property<awt::Size>(style, "Size");
        if ((size.Width > size.Height) != landscape)
            std::swap(size.Width, size.Height);
        style->setPropertyValue("IsLandscape", uno::Any(landscape));
        style->setPropertyValue("Size", uno::Any(size));
    });
}

void CalcWorkbook::setPaperSize(const QSize &hundredthsMm)
{
    d->call("formato carta", [&] {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        const bool landscape = property<bool>(style, "IsLandscape");
        const int shortSide = qMin(hundredthsMm.width(), hundredthsMm.height());
        const int longSide = qMax(hundredthsMm.width(), hundredthsMm.height());
        const awt::Size size(landscape ? longSide : shortSide, landscape ? shortSide : longSide);
        style->setPropertyValue("Size", uno::Any(size));
    });
}

void CalcWorkbook::setZoom(int percent)
{
    if (percent < kMinZoom || percent > kMaxZoom)
        throw StoreError(StoreError::OperationFailed,
                         QStringLiteral("Lo zoom deve essere tra %1 e %2").arg(kMinZoom).arg(kMaxZoom));
    d->call("zoom", [&] {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("ScaleToPagesX", uno::Any(sal_Int16(0)));
        style->setPropertyValue("ScaleToPagesY", uno::Any(sal_Int16(0)));
        style->setPropertyValue("PageScale", uno::Any(sal_Int16(percent)));
    });
}

void CalcWorkbook::printOut(const QString &printerName, int copies)
{
    d->requireDocument();
    runDeferredBeforeOutput();
    d->call("stampa", [&] {
        Reference<view::XPrintable> printable(d->document, UNO_QUERY_THROW);
        Sequence<beans::PropertyValue> printer(1);
        printer[0] = prop("Name", uno::Any(toOU(printerName)));
        printable->setPrinter(printer);
        // An unknown name is not refused by the office: it quietly takes its default printer.
        OUString chosen;
        for (const beans::PropertyValue &p : printable->getPrinter()) {
            if (p.Name == "Name")
                p.Value >>= chosen;
        }
        if (fromOU(chosen) != printerName)
            throw StoreError(StoreError::OperationFailed,
                             QStringLiteral("La stampante \"%1\" non è disponibile").arg(printerName));
        Sequence<beans::PropertyValue> options(2);
        options[0] = prop("CopyCount", uno::Any(sal_Int16(copies)));
        options[1] = prop("Wait", uno::Any(true));
        const OnlyFirstSheetPrints firstSheetOnly(d->document);
        printable->print(options);
    }, Impl::kOutputPatienceMs);
}

void CalcWorkbook::exportPdf(const QString &path) const
{
    d->requireDocument();
    const_cast<CalcWorkbook *>(this)->runDeferredBeforeOutput();
    d->call("esportazione PDF", [&] {
        Sequence<beans::PropertyValue> args(2);
        args[0] = prop("FilterName", uno::Any(OUString("calc_pdf_Export")));
        args[1] = prop("Overwrite", uno::Any(true));
        const OnlyFirstSheetPrints firstSheetOnly(d->document);
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)
            ->storeToURL(toOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)), args);
    }, Impl::kOutputPatienceMs);
}
