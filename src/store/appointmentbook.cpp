#include "appointmentbook.h"

#include "officeprocess.h"
#include "storeerror.h"
#include "workbookfile.h"

#include <QElapsedTimer>
#include <QThread>
#include <QUrl>

#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/ref.hxx>
#include <rtl/ustring.hxx>

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/TableSortField.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/util/XSortable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <mutex>

using namespace com::sun::star;
using com::sun::star::uno::Reference;
using com::sun::star::uno::Sequence;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

constexpr int kConnectTimeoutMs = 60000;
// The office's error code for a password that does not decrypt the file.
constexpr sal_Int32 kWrongPassword = 0x11b;

OUString toOU(const QString &s)
{
    return OUString(reinterpret_cast<const sal_Unicode *>(s.utf16()), s.size());
}

QString fromOU(const OUString &s)
{
    return QString(reinterpret_cast<const QChar *>(s.getStr()), s.getLength());
}

beans::PropertyValue prop(const char *name, const uno::Any &value)
{
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

Reference<uno::XComponentContext> localContext()
{
    static Reference<uno::XComponentContext> ctx;
    static std::once_flag once;
    std::call_once(once, [] {
        // The client must know the office's types, or Desktop::create crashes.
        rtl::Bootstrap::setIniFilename("file:///usr/lib/libreoffice/program/fundamentalrc");
        ctx = cppu::defaultBootstrap_InitialComponentContext();
    });
    return ctx;
}

// Answers every question of the office with "abort": a hidden office must never wait for
// a user who cannot see it. What it was asked is kept for the error report.
class RefuseEveryQuestion : public cppu::WeakImplHelper1<task::XInteractionHandler>
{
public:
    void SAL_CALL handle(const Reference<task::XInteractionRequest> &request) override
    {
        asked = fromOU(request->getRequest().getValueTypeName());
        task::ErrorCodeRequest error;
        if (request->getRequest() >>= error)
            errorCode = error.ErrCode;
        const Sequence<Reference<task::XInteractionContinuation>> choices = request->getContinuations();
        for (sal_Int32 i = 0; i < choices.getLength(); ++i) {
            Reference<task::XInteractionAbort> abort(choices[i], UNO_QUERY);
            if (abort.is()) {
                abort->select();
                return;
            }
        }
    }
    QString asked;
    sal_Int32 errorCode = 0;
};

[[noreturn]] void rethrow(const char *what)
{
    try {
        throw;
    } catch (const StoreError &) {
        throw;
    } catch (const lang::DisposedException &e) {
        throw StoreError(StoreError::OfficeGone,
                         QStringLiteral("Il foglio di calcolo non risponde più (%1)").arg(QLatin1String(what)));
    } catch (const uno::Exception &e) {
        throw StoreError(StoreError::OperationFailed,
                         QStringLiteral("Operazione non riuscita sul foglio di calcolo (%1): %2")
                             .arg(QLatin1String(what), fromOU(e.Message)));
    } catch (const std::exception &e) {
        throw StoreError(StoreError::Unforeseen, QStringLiteral("Errore imprevisto del foglio di calcolo (%1): %2")
                                                     .arg(QLatin1String(what), QString::fromLocal8Bit(e.what())));
    } catch (...) {
        throw StoreError(StoreError::Unforeseen,
                         QStringLiteral("Errore imprevisto del foglio di calcolo (%1)").arg(QLatin1String(what)));
    }
}

table::CellRangeAddress addressOf(const Reference<uno::XInterface> &range)
{
    return Reference<sheet::XCellRangeAddressable>(range, UNO_QUERY_THROW)->getRangeAddress();
}

} // namespace

#define GUARDED(what, body)                                                                        \
    try {                                                                                          \
        body                                                                                       \
    } catch (...) {                                                                                \
        rethrow(what);                                                                             \
    }

struct AppointmentBook::Impl
{
    OfficeProcess process;
    Reference<uno::XComponentContext> remote;
    Reference<frame::XDesktop2> desktop;
    Reference<lang::XComponent> document;
    bool handedOver = false;
    QString path;
    QString password;
    std::function<void()> whileStarting;
    std::function<void()> deferred;
    std::function<void()> lastDeferred;

    void requireDocument() const
    {
        if (!document.is())
            throw StoreError(StoreError::OperationFailed, QStringLiteral("Nessuna cartella di lavoro aperta"));
    }
    // Kept for the open document: finding it costs several calls over the bridge, and while we
    // hold the workbook nobody else can move its sheets.
    mutable Reference<sheet::XSpreadsheet> sheet;
    mutable Reference<lang::XComponent> sheetOf;

    void forgetDocument()
    {
        document.clear();
        sheet.clear();
        sheetOf.clear();
    }
    Reference<sheet::XSpreadsheet> firstSheet() const
    {
        requireDocument();
        if (sheet.is() && sheetOf == document)
            return sheet;
        Reference<sheet::XSpreadsheetDocument> doc(document, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        sheet.set(sheets->getByIndex(0), UNO_QUERY_THROW);
        sheetOf = document;
        return sheet;
    }
    Reference<table::XCellRange> range(int r1, int c1, int r2, int c2) const
    {
        return firstSheet()->getCellRangeByPosition(c1 - 1, r1 - 1, c2 - 1, r2 - 1);
    }
    Reference<sheet::XSpreadsheetView> view() const
    {
        requireDocument();
        Reference<frame::XModel> model(document, UNO_QUERY_THROW);
        return Reference<sheet::XSpreadsheetView>(model->getCurrentController(), UNO_QUERY_THROW);
    }
    sal_Int32 formatKey(const QString &code) const
    {
        Reference<util::XNumberFormatsSupplier> supplier(document, UNO_QUERY_THROW);
        Reference<util::XNumberFormats> formats = supplier->getNumberFormats();
        const lang::Locale english(OUString("en"), OUString("US"), OUString());
        sal_Int32 key = formats->queryKey(toOU(code), english, false);
        if (key < 0)
            key = formats->addNew(toOU(code), english);
        return key;
    }
    void connect()
    {
        QElapsedTimer clock;
        clock.start();
        Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(localContext());
        QString lastFailure;
        for (;;) {
            // Built anew each time: the restart a new profile asks for listens on a new pipe.
            const OUString url = toOU(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext")
                                          .arg(process.pipeName()));
            try {
                remote.set(resolver->resolve(url), UNO_QUERY_THROW);
                desktop = frame::Desktop::create(remote);
                return;
            } catch (const connection::NoConnectException &) {
            } catch (const uno::Exception &e) {
                // An office dying mid-handshake breaks the bridge in various ways; whether it
                // is still there decides below.
                lastFailure = fromOU(e.Message);
                remote.clear();
                desktop.clear();
            }
            if (process.hasExited()) {
                if (!process.exitedForRestart())
                    throw StoreError(StoreError::CannotStartOffice,
                                     QStringLiteral("Il foglio di calcolo si è chiuso all'avvio (codice %1)")
                                         .arg(process.exitCode()));
                process.spawn();
            }
            if (clock.elapsed() > kConnectTimeoutMs)
                throw StoreError(StoreError::CannotStartOffice,
                                 lastFailure.isEmpty()
                                     ? QStringLiteral("Il foglio di calcolo non risponde all'avvio")
                                     : QStringLiteral("Il foglio di calcolo non risponde all'avvio (%1)").arg(lastFailure));
            if (whileStarting)
                whileStarting();
            QThread::msleep(20);
        }
    }
    void load(const QString &url, const Sequence<beans::PropertyValue> &args,
              RefuseEveryQuestion *handler, const QString &path)
    {
        Reference<frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
        Reference<lang::XComponent> doc;
        QString reason;
        try {
            doc = loader->loadComponentFromURL(toOU(url), "_blank", 0, args);
        } catch (const lang::DisposedException &) {
            throw StoreError(StoreError::OfficeGone, QStringLiteral("Il foglio di calcolo non risponde più"));
        } catch (const uno::Exception &e) {
            reason = fromOU(e.Message);
        }
        if (!doc.is() || !Reference<sheet::XSpreadsheetDocument>(doc, UNO_QUERY).is()) {
            if (doc.is())
                Reference<util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
            QString why = QStringLiteral("il file è danneggiato o non è una cartella di lavoro");
            if (handler && (handler->asked.contains(QLatin1String("Password")) || handler->errorCode == kWrongPassword))
                why = QStringLiteral("la password non è valida o il file è danneggiato");
            else if (handler && handler->asked.contains(QLatin1String("Lock")))
                why = QStringLiteral("il file è bloccato da un altro programma");
            if (!reason.isEmpty())
                why += QStringLiteral(" (%1)").arg(reason);
            throw StoreError(StoreError::CannotOpen,
                             QStringLiteral("Impossibile aprire %1: %2").arg(path, why));
        }
        document = doc;
    }
};

AppointmentBook::AppointmentBook() : d(std::make_unique<Impl>()) {}

AppointmentBook::~AppointmentBook()
{
    if (d->handedOver)
        return;
    try {
        close();
    } catch (...) {
        // The office is ended below all the same.
    }
    quit();
}

void AppointmentBook::start()
{
    try {
        d->process.spawn();
        d->connect();
    } catch (...) {
        d->desktop.clear();
        d->remote.clear();
        d->process.stop(0);
        rethrow("avvio");
    }
}

void AppointmentBook::setWhileStarting(std::function<void()> tick)
{
    d->whileStarting = std::move(tick);
}

void AppointmentBook::deferUntilOutput(std::function<void()> step)
{
    d->deferred = step;
    d->lastDeferred = std::move(step);
}

bool AppointmentBook::hasDeferred() const
{
    return bool(d->deferred);
}

void AppointmentBook::runDeferred()
{
    if (!d->deferred)
        return;
    std::function<void()> step = std::move(d->deferred);
    d->deferred = nullptr;
    try {
        step();
    } catch (...) {
        d->deferred = std::move(step);
        throw;
    }
}

bool AppointmentBook::isStarted() const
{
    return d->desktop.is();
}

qint64 AppointmentBook::officePid() const
{
    return d->process.pid();
}

bool AppointmentBook::canBeShown() const
{
    return isStarted() && !d->process.headless();
}

void AppointmentBook::open(const QString &path, const QString &password)
{
    // A file that is no compound document at all (empty, cut short to nothing, some other
    // kind): the office would open it as a new, empty workbook and later save over it.
    if (!WorkbookFile::hasWorkbookSignature(path))
        throw StoreError(StoreError::CannotOpen,
                         QStringLiteral("Impossibile aprire %1: il file non è una cartella di lavoro o è vuoto").arg(path));
    rtl::Reference<RefuseEveryQuestion> handler(new RefuseEveryQuestion);
    Sequence<beans::PropertyValue> args(5);
    args[0] = prop("Hidden", uno::Any(true));
    args[1] = prop("Password", uno::Any(toOU(password)));
    args[2] = prop("InteractionHandler", uno::Any(Reference<task::XInteractionHandler>(handler.get())));
    args[3] = prop("MacroExecutionMode", uno::Any(sal_Int16(0)));  // never run macros
    args[4] = prop("ReadOnly", uno::Any(false));
    GUARDED("apertura", { d->load(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), args, handler.get(), path); })
    d->path = path;
    d->password = password;
}

void AppointmentBook::createNew()
{
    Sequence<beans::PropertyValue> args(1);
    args[0] = prop("Hidden", uno::Any(true));
    GUARDED("nuova cartella", { d->load(QStringLiteral("private:factory/scalc"), args, nullptr, QStringLiteral("nuova cartella")); })
}

void AppointmentBook::saveAs(const QString &path, const QString &password)
{
    d->requireDocument();
    GUARDED("salvataggio", {
        Sequence<beans::PropertyValue> args(3);
        args[0] = prop("FilterName", uno::Any(OUString("MS Excel 97")));
        args[1] = prop("Password", uno::Any(toOU(password)));
        args[2] = prop("Overwrite", uno::Any(true));
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)
            ->storeAsURL(toOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)), args);
    })
}

void AppointmentBook::save()
{
    d->requireDocument();
    runDeferredBeforeOutput();
    // The last good version stays beside the workbook; if it cannot be kept, the save goes on:
    // the office replaces the file only once the new one is complete.
    if (!d->path.isEmpty())
        WorkbookFile::keepBackup(d->path);
    try {
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)->store();
    } catch (const lang::DisposedException &) {
        throw StoreError(StoreError::OfficeGone, QStringLiteral("Il foglio di calcolo non risponde più"));
    } catch (const uno::Exception &e) {
        throw StoreError(StoreError::CannotSave,
                         QStringLiteral("Salvataggio non riuscito: %1").arg(fromOU(e.Message)));
    }
}

void AppointmentBook::close()
{
    if (!d->document.is())
        return;
    Reference<lang::XComponent> doc = d->document;
    d->forgetDocument();
    GUARDED("chiusura", { Reference<util::XCloseable>(doc, UNO_QUERY_THROW)->close(true); })
}

void AppointmentBook::quit()
{
    if (d->desktop.is()) {
        try {
            d->desktop->terminate();
        } catch (...) {
            // The bridge may die under the call; the process is waited for below.
        }
    }
    d->desktop.clear();
    d->remote.clear();
    d->process.stop(5000);
}

void AppointmentBook::handOver()
{
    d->requireDocument();
    runDeferredBeforeOutput();
    GUARDED("visualizzazione", {
        Reference<frame::XModel> model(d->document, UNO_QUERY_THROW);
        Reference<frame::XFrame> frame = model->getCurrentController()->getFrame();
        Reference<awt::XWindow> window = frame->getContainerWindow();
        window->setVisible(true);
        Reference<awt::XTopWindow> top(window, UNO_QUERY);
        if (top.is())
            top->toFront();
    })
    d->handedOver = true;
    d->forgetDocument();
    d->desktop.clear();
    d->remote.clear();
    d->process.release();
}

bool AppointmentBook::officeAlive()
{
    return !d->process.hasExited();
}

void AppointmentBook::recover()
{
    if (d->path.isEmpty())
        throw StoreError(StoreError::OperationFailed, QStringLiteral("Nessuna cartella di lavoro da riaprire"));
    d->forgetDocument();
    d->desktop.clear();
    d->remote.clear();
    d->process.stop(0);
    // The dead office's lock file would make the new one refuse the workbook.
    WorkbookFile::removeStaleLock(d->path);
    start();
    open(d->path, d->password);
    // What the dead office had done is lost with it.
    d->deferred = d->lastDeferred;
}

void AppointmentBook::runDeferredBeforeOutput()
{
    // A failure here must not stop the output itself; the step stays due and any real
    // trouble of the office shows in the output that follows.
    try {
        runDeferred();
    } catch (const StoreError &) {
    }
}

CellValue AppointmentBook::cell(int row, int col) const
{
    CellValue v = plainCell(row, col);
    if (!v.isNumeric())
        return v;
    GUARDED("lettura", {
        sal_Int32 key = 0;
        Reference<beans::XPropertySet>(d->range(row, col, row, col), UNO_QUERY_THROW)->getPropertyValue("NumberFormat") >>= key;
        Reference<util::XNumberFormatsSupplier> supplier(d->document, UNO_QUERY_THROW);
        sal_Int16 type = 0;
        supplier->getNumberFormats()->getByKey(key)->getPropertyValue("Type") >>= type;
        if (type & util::NumberFormat::DATE)
            v.kind = CellValue::Date;
        else if (type & util::NumberFormat::TIME)
            v.kind = CellValue::Time;
        return v;
    })
}

CellValue AppointmentBook::plainCell(int row, int col) const
{
    GUARDED("lettura", {
        Reference<table::XCell> c = d->firstSheet()->getCellByPosition(col - 1, row - 1);
        switch (c->getType()) {
        case table::CellContentType_EMPTY:
            return CellValue::empty();
        case table::CellContentType_TEXT:
            return CellValue::fromText(fromOU(Reference<text::XText>(c, UNO_QUERY_THROW)->getString()));
        default:
            return CellValue::fromNumber(c->getValue());
        }
    })
}

void AppointmentBook::setCell(int row, int col, const CellValue &value)
{
    GUARDED("scrittura", {
        Reference<table::XCell> c = d->firstSheet()->getCellByPosition(col - 1, row - 1);
        switch (value.kind) {
        case CellValue::Empty:
            c->setFormula(OUString());
            break;
        case CellValue::Text:
            Reference<text::XText>(c, UNO_QUERY_THROW)->setString(toOU(value.text));
            break;
        case CellValue::Date:
        case CellValue::Time: {
            const sal_Int32 key = d->formatKey(value.kind == CellValue::Date ? QStringLiteral("DD/MM/YYYY")
                                                                               : QStringLiteral("h:mm;@"));
            Reference<beans::XPropertySet>(c, UNO_QUERY_THROW)->setPropertyValue("NumberFormat", uno::Any(key));
            c->setValue(value.number);
            break;
        }
        case CellValue::Number:
            c->setValue(value.number);
            break;
        }
    })
}

CellBlock AppointmentBook::readBlock(int firstRow, int firstCol, int lastRow, int lastCol) const
{
    CellBlock out;
    if (lastRow < firstRow || lastCol < firstCol)
        return out;
    GUARDED("lettura", {
        Reference<sheet::XCellRangeData> data(d->range(firstRow, firstCol, lastRow, lastCol), UNO_QUERY_THROW);
        const Sequence<Sequence<uno::Any>> rows = data->getDataArray();
        out.reserve(rows.getLength());
        for (const Sequence<uno::Any> &row : rows) {
            CellRow cells;
            cells.reserve(row.getLength());
            for (const uno::Any &any : row) {
                double number;
                OUString text;
                if (any >>= number)
                    cells << CellValue::fromNumber(number);
                else if ((any >>= text) && !text.isEmpty())
                    cells << CellValue::fromText(fromOU(text));
                else
                    cells << CellValue::empty();
            }
            out << cells;
        }
        return out;
    })
}

void AppointmentBook::writeBlock(int firstRow, int firstCol, const CellBlock &rows)
{
    if (rows.isEmpty() || rows.first().isEmpty())
        return;
    const int width = rows.first().size();
    GUARDED("scrittura", {
        Sequence<Sequence<uno::Any>> data(rows.size());
        auto *out = data.getArray();
        for (int r = 0; r < rows.size(); ++r) {
            Sequence<uno::Any> row(width);
            auto *cells = row.getArray();
            for (int c = 0; c < width; ++c) {
                const CellValue &v = rows[r].value(c);
                if (v.isNumeric())
                    cells[c] <<= v.number;
                else
                    cells[c] <<= toOU(v.text);
            }
            out[r] = row;
        }
        Reference<sheet::XCellRangeData>(
            d->range(firstRow, firstCol, firstRow + rows.size() - 1, firstCol + width - 1), UNO_QUERY_THROW)
            ->setDataArray(data);
    })
}

void AppointmentBook::setNumberFormat(int firstRow, int firstCol, int lastRow, int lastCol, const QString &code)
{
    GUARDED("formato", {
        Reference<beans::XPropertySet>(d->range(firstRow, firstCol, lastRow, lastCol), UNO_QUERY_THROW)
            ->setPropertyValue("NumberFormat", uno::Any(d->formatKey(code)));
    })
}

QString AppointmentBook::numberFormat(int row, int col) const
{
    GUARDED("formato", {
        sal_Int32 key = 0;
        Reference<beans::XPropertySet>(d->range(row, col, row, col), UNO_QUERY_THROW)
                ->getPropertyValue("NumberFormat") >>= key;
        Reference<util::XNumberFormatsSupplier> supplier(d->document, UNO_QUERY_THROW);
        OUString code;
        supplier->getNumberFormats()->getByKey(key)->getPropertyValue("FormatString") >>= code;
        return fromOU(code);
    })
}

void AppointmentBook::setRowsHidden(int firstRow, int lastRow, bool hidden)
{
    GUARDED("righe", {
        Reference<table::XColumnRowRange> rr(d->range(firstRow, 1, lastRow, 1), UNO_QUERY_THROW);
        Reference<beans::XPropertySet>(rr->getRows(), UNO_QUERY_THROW)
            ->setPropertyValue("IsVisible", uno::Any(!hidden));
    })
}

bool AppointmentBook::isRowHidden(int row) const
{
    GUARDED("righe", {
        Reference<table::XColumnRowRange> rr(d->range(row, 1, row, 1), UNO_QUERY_THROW);
        bool visible = true;
        Reference<beans::XPropertySet>(rr->getRows(), UNO_QUERY_THROW)->getPropertyValue("IsVisible") >>= visible;
        return !visible;
    })
}

int AppointmentBook::lastUsedRow() const
{
    GUARDED("area usata", {
        Reference<sheet::XSpreadsheet> sheet = d->firstSheet();
        Reference<sheet::XSheetCellCursor> cursor = sheet->createCursor();
        Reference<sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
        used->gotoStartOfUsedArea(false);
        used->gotoEndOfUsedArea(true);
        const table::CellRangeAddress a = addressOf(cursor);
        if (a.EndRow == 0 && a.EndColumn == 0 && sheet->getCellByPosition(0, 0)->getType() == table::CellContentType_EMPTY)
            return 0;
        return a.EndRow + 1;
    })
}

int AppointmentBook::firstEmptyRow(int col, int fromRow, int toRow) const
{
    const int last = qMin(toRow, lastUsedRow() + 1);
    if (last < fromRow)
        return fromRow <= toRow ? fromRow : 0;
    const CellBlock block = readBlock(fromRow, col, last, col);
    for (int i = 0; i < block.size(); ++i) {
        if (block[i].value(0).isEmpty())
            return fromRow + i;
    }
    return 0;
}

void AppointmentBook::sortRows(int firstRow, int lastRow, int lastCol, const QVector<SortKey> &keys)
{
    GUARDED("ordinamento", {
        Reference<util::XSortable> sortable(d->range(firstRow, 1, lastRow, lastCol), UNO_QUERY_THROW);
        Sequence<table::TableSortField> fields(keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            fields[i].Field = keys[i].column - 1;
            fields[i].IsAscending = keys[i].ascending;
            fields[i].IsCaseSensitive = false;
            fields[i].FieldType = table::TableSortFieldType_AUTOMATIC;
        }
        Sequence<beans::PropertyValue> desc(3);
        desc[0] = prop("SortFields", uno::Any(fields));
        desc[1] = prop("ContainsHeader", uno::Any(false));
        desc[2] = prop("IsSortColumns", uno::Any(false));
        sortable->sort(desc);
    })
}

void AppointmentBook::activateFirstSheet()
{
    GUARDED("selezione", { d->view()->setActiveSheet(d->firstSheet()); })
}

int AppointmentBook::activeSheetIndex() const
{
    GUARDED("selezione", {
        Reference<sheet::XCellRangeAddressable> active(d->view()->getActiveSheet(), UNO_QUERY_THROW);
        return active->getRangeAddress().Sheet;
    })
}

void AppointmentBook::select(int firstRow, int firstCol, int lastRow, int lastCol)
{
    GUARDED("selezione", {
        Reference<view::XSelectionSupplier>(d->view(), UNO_QUERY_THROW)
            ->select(uno::Any(d->range(firstRow, firstCol, lastRow, lastCol)));
    })
}

QRect AppointmentBook::selection() const
{
    GUARDED("selezione", {
        Reference<uno::XInterface> sel;
        Reference<view::XSelectionSupplier>(d->view(), UNO_QUERY_THROW)->getSelection() >>= sel;
        const table::CellRangeAddress a = addressOf(sel);
        return QRect(QPoint(a.StartColumn + 1, a.StartRow + 1), QPoint(a.EndColumn + 1, a.EndRow + 1));
    })
}

void AppointmentBook::fitColumns(const QVector<int> &minWidths)
{
    GUARDED("larghezza colonne", {
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
            Reference<sheet::XSpreadsheet> sheet(sheets->getByIndex(i), UNO_QUERY_THROW);
            Reference<sheet::XSheetCellCursor> cursor = sheet->createCursor();
            Reference<sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
            used->gotoStartOfUsedArea(false);
            used->gotoEndOfUsedArea(true);
            Reference<table::XColumnRowRange> rr(cursor, UNO_QUERY_THROW);
            Reference<beans::XPropertySet>(rr->getColumns(), UNO_QUERY_THROW)
                ->setPropertyValue("OptimalWidth", uno::Any(true));
            if (i != 0)
                continue;
            Reference<container::XIndexAccess> columns(
                Reference<table::XColumnRowRange>(sheet, UNO_QUERY_THROW)->getColumns(), UNO_QUERY_THROW);
            for (int c = 0; c < minWidths.size(); ++c) {
                Reference<beans::XPropertySet> column(columns->getByIndex(c), UNO_QUERY_THROW);
                sal_Int32 width = 0;
                column->getPropertyValue("Width") >>= width;
                if (width < minWidths[c])
                    column->setPropertyValue("Width", uno::Any(sal_Int32(minWidths[c])));
            }
        }
    })
}

int AppointmentBook::columnWidth(int col) const
{
    GUARDED("larghezza colonne", {
        Reference<container::XIndexAccess> columns(
            Reference<table::XColumnRowRange>(d->firstSheet(), UNO_QUERY_THROW)->getColumns(), UNO_QUERY_THROW);
        sal_Int32 width = 0;
        Reference<beans::XPropertySet>(columns->getByIndex(col - 1), UNO_QUERY_THROW)->getPropertyValue("Width") >>= width;
        return width;
    })
}

int AppointmentBook::sheetCount() const
{
    GUARDED("fogli", {
        d->requireDocument();
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY_THROW);
        return Reference<container::XIndexAccess>(doc->getSheets(), UNO_QUERY_THROW)->getCount();
    })
}

// Printing: everything lives on the first sheet's page style, so it is saved with the workbook.

#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/view/XPrintable.hpp>

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

} // namespace

AppointmentBook::PageSetup AppointmentBook::pageSetup() const
{
    GUARDED("impostazione pagina", {
        const Reference<sheet::XSpreadsheet> sheet = d->firstSheet();
        const Reference<beans::XPropertySet> style = pageStyleOf(sheet, d->document);
        PageSetup s;
        const Sequence<table::CellRangeAddress> areas =
            Reference<sheet::XPrintAreas>(sheet, UNO_QUERY_THROW)->getPrintAreas();
        if (areas.getLength() > 0) {
            const table::CellRangeAddress &a = areas[0];
            s.printArea = QRect(QPoint(a.StartColumn + 1, a.StartRow + 1), QPoint(a.EndColumn + 1, a.EndRow + 1));
        }
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
    })
}

void AppointmentBook::setPrintArea(int firstRow, int firstCol, int lastRow, int lastCol)
{
    GUARDED("area di stampa", {
        const Reference<sheet::XSpreadsheet> sheet = d->firstSheet();
        Sequence<table::CellRangeAddress> areas(1);
        areas[0] = addressOf(d->range(firstRow, firstCol, lastRow, lastCol));
        Reference<sheet::XPrintAreas>(sheet, UNO_QUERY_THROW)->setPrintAreas(areas);
    })
}

void AppointmentBook::setCenterHeader(const QString &text)
{
    GUARDED("intestazione", {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("HeaderIsOn", uno::Any(true));
        style->setPropertyValue("HeaderIsShared", uno::Any(true));
        style->setPropertyValue("FooterIsOn", uno::Any(false));
        Reference<sheet::XHeaderFooterContent> content;
        style->getPropertyValue("RightPageHeaderContent") >>= content;
        if (!content.is())
            throw StoreError(StoreError::OperationFailed, QStringLiteral("Intestazione non disponibile"));
        content->getLeftText()->setString(OUString());
        content->getCenterText()->setString(toOU(text));
        content->getRightText()->setString(OUString());
        // The content is a copy: it only takes effect when written back.
        style->setPropertyValue("RightPageHeaderContent", uno::Any(content));
    })
}

void AppointmentBook::setMargins(const Margins &m)
{
    GUARDED("margini", {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("LeftMargin", uno::Any(sal_Int32(m.left)));
        style->setPropertyValue("RightMargin", uno::Any(sal_Int32(m.right)));
        // The office measures the top margin to the header, and the header's room down to the body
        // (the same at the bottom with the footer).
        const auto edge = [&](const OUString &part, const OUString &margin, int body, int line) {
            if (property<bool>(style, part + "IsOn") && body > line) {
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
    })
}

void AppointmentBook::setFitToPages(int wide, int tall)
{
    GUARDED("adatta alla pagina", {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("ScaleToPagesX", uno::Any(sal_Int16(wide)));
        style->setPropertyValue("ScaleToPagesY", uno::Any(sal_Int16(tall)));
    })
}

void AppointmentBook::setPrintGridlines(bool on)
{
    GUARDED("griglia", { pageStyleOf(d->firstSheet(), d->document)->setPropertyValue("PrintGrid", uno::Any(on)); })
}

void AppointmentBook::setLandscape(bool landscape)
{
    GUARDED("orientamento", {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        awt::Size size = property<awt::Size>(style, "Size");
        if ((size.Width > size.Height) != landscape)
            std::swap(size.Width, size.Height);
        style->setPropertyValue("IsLandscape", uno::Any(landscape));
        style->setPropertyValue("Size", uno::Any(size));
    })
}

void AppointmentBook::setPaperSize(const QSize &hundredthsMm)
{
    GUARDED("formato carta", {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        const bool landscape = property<bool>(style, "IsLandscape");
        const int shortSide = qMin(hundredthsMm.width(), hundredthsMm.height());
        const int longSide = qMax(hundredthsMm.width(), hundredthsMm.height());
        const awt::Size size(landscape ? longSide : shortSide, landscape ? shortSide : longSide);
        style->setPropertyValue("Size", uno::Any(size));
    })
}

void AppointmentBook::setZoom(int percent)
{
    if (percent < kMinZoom || percent > kMaxZoom)
        throw StoreError(StoreError::OperationFailed,
                         QStringLiteral("Lo zoom deve essere tra %1 e %2").arg(kMinZoom).arg(kMaxZoom));
    GUARDED("zoom", {
        const Reference<beans::XPropertySet> style = pageStyleOf(d->firstSheet(), d->document);
        style->setPropertyValue("ScaleToPagesX", uno::Any(sal_Int16(0)));
        style->setPropertyValue("ScaleToPagesY", uno::Any(sal_Int16(0)));
        style->setPropertyValue("PageScale", uno::Any(sal_Int16(percent)));
    })
}

void AppointmentBook::printOut(const QString &printerName, int copies)
{
    d->requireDocument();
    runDeferredBeforeOutput();
    GUARDED("stampa", {
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
        printable->print(options);
    })
}

void AppointmentBook::exportPdf(const QString &path) const
{
    d->requireDocument();
    const_cast<AppointmentBook *>(this)->runDeferredBeforeOutput();
    GUARDED("esportazione PDF", {
        Sequence<beans::PropertyValue> args(2);
        args[0] = prop("FilterName", uno::Any(OUString("calc_pdf_Export")));
        args[1] = prop("Overwrite", uno::Any(true));
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)
            ->storeToURL(toOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)), args);
    })
}
