#include "calcworkbook_p.h"

#include "storeerror.h"
#include "storeliterals.h"

#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <csignal>
#include <mutex>

namespace CalcBridge {

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
        // The bridge writes to the office's pipe; an office that died under a call must come back
        // as an error, not end this program with a broken pipe.
        std::signal(SIGPIPE, SIG_IGN);
        // The client must know the office's types, or Desktop::create crashes.
        rtl::Bootstrap::setIniFilename("file:///usr/lib/libreoffice/program/fundamentalrc");
        ctx = cppu::defaultBootstrap_InitialComponentContext();
    });
    return ctx;
}

void SAL_CALL RefuseEveryQuestion::handle(const Reference<task::XInteractionRequest> &request)
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

[[noreturn]] void rethrow(const char *what)
{
    try {
        throw;
    } catch (const StoreError &) {
        throw;
    } catch (const lang::DisposedException &e) {
        throw StoreError(StoreError::OfficeGone,
                         QString(StoreLiterals::kOfficeGone + QStringLiteral(" (%1)")).arg(QLatin1String(what)));
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

// The open workbook's ways into its document.

void OpenWorkbook::requireDocument() const
{
    if (!document.is())
        throw StoreError(StoreError::OperationFailed, QStringLiteral("Nessuna cartella di lavoro aperta"));
}

void OpenWorkbook::forgetDocument()
{
    document.clear();
    sheet.clear();
    sheetOf.clear();
}

Reference<sheet::XSpreadsheet> OpenWorkbook::firstSheet() const
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

Reference<table::XCellRange> OpenWorkbook::range(int r1, int c1, int r2, int c2) const
{
    return firstSheet()->getCellRangeByPosition(c1 - 1, r1 - 1, c2 - 1, r2 - 1);
}

Reference<sheet::XSpreadsheetView> OpenWorkbook::view() const
{
    requireDocument();
    Reference<frame::XModel> model(document, UNO_QUERY_THROW);
    return Reference<sheet::XSpreadsheetView>(model->getCurrentController(), UNO_QUERY_THROW);
}

sal_Int32 OpenWorkbook::formatKey(const QString &code) const
{
    Reference<util::XNumberFormatsSupplier> supplier(document, UNO_QUERY_THROW);
    Reference<util::XNumberFormats> formats = supplier->getNumberFormats();
    const lang::Locale english(OUString("en"), OUString("US"), OUString());
    sal_Int32 key = formats->queryKey(toOU(code), english, false);
    if (key < 0)
        key = formats->addNew(toOU(code), english);
    return key;
}

} // namespace CalcBridge
