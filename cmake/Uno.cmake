# Generates the C++ headers of the office API types we use, and a target to link against.
set(LO_PROGRAM /usr/lib/libreoffice/program)
set(LO_SDK /usr/lib/libreoffice/sdk)
set(UNO_GEN_DIR ${CMAKE_BINARY_DIR}/uno-headers)

set(UNO_TYPES
  com.sun.star.uno.XWeak
  com.sun.star.uno.XAggregation
  com.sun.star.lang.XTypeProvider
  com.sun.star.uno.DeploymentException
  com.sun.star.uno.XComponentContext
  com.sun.star.bridge.UnoUrlResolver
  com.sun.star.bridge.XUnoUrlResolver
  com.sun.star.connection.NoConnectException
  com.sun.star.frame.Desktop
  com.sun.star.frame.XDesktop2
  com.sun.star.frame.XComponentLoader
  com.sun.star.frame.XStorable
  com.sun.star.frame.XModel
  com.sun.star.frame.XController
  com.sun.star.frame.XFrame
  com.sun.star.awt.XWindow
  com.sun.star.awt.XTopWindow
  com.sun.star.util.XCloseable
  com.sun.star.util.XModifiable
  com.sun.star.util.XNumberFormatsSupplier
  com.sun.star.util.XNumberFormats
  com.sun.star.util.XNumberFormatTypes
  com.sun.star.util.NumberFormat
  com.sun.star.util.XSortable
  com.sun.star.util.SortField
  com.sun.star.table.TableSortField
  com.sun.star.table.XCell
  com.sun.star.table.XCellRange
  com.sun.star.table.XColumnRowRange
  com.sun.star.table.XTableColumns
  com.sun.star.table.XTableRows
  com.sun.star.table.CellContentType
  com.sun.star.table.CellRangeAddress
  com.sun.star.sheet.XSpreadsheetDocument
  com.sun.star.sheet.XSpreadsheets
  com.sun.star.sheet.XSpreadsheet
  com.sun.star.sheet.XSpreadsheetView
  com.sun.star.sheet.XCellRangeData
  com.sun.star.sheet.XCellRangeMovement
  com.sun.star.sheet.XCellRangeAddressable
  com.sun.star.sheet.XSheetCellCursor
  com.sun.star.sheet.XUsedAreaCursor
  com.sun.star.sheet.XPrintAreas
  com.sun.star.sheet.XHeaderFooterContent
  com.sun.star.style.XStyleFamiliesSupplier
  com.sun.star.view.XSelectionSupplier
  com.sun.star.view.XPrintable
  com.sun.star.awt.Size
  com.sun.star.text.XText
  com.sun.star.beans.XPropertySet
  com.sun.star.beans.PropertyValue
  com.sun.star.container.XIndexAccess
  com.sun.star.container.XNameAccess
  com.sun.star.lang.XComponent
  com.sun.star.lang.XMultiServiceFactory
  com.sun.star.lang.DisposedException
  com.sun.star.lang.Locale
  com.sun.star.task.XInteractionHandler
  com.sun.star.task.XInteractionRequest
  com.sun.star.task.XInteractionAbort
  com.sun.star.task.XInteractionApprove
  com.sun.star.task.XInteractionDisapprove
  com.sun.star.task.XInteractionContinuation
  com.sun.star.io.IOException
  com.sun.star.ucb.InteractiveAugmentedIOException
  com.sun.star.document.LockedDocumentRequest
  com.sun.star.task.DocumentPasswordRequest
  com.sun.star.task.ErrorCodeRequest
  com.sun.star.task.DocumentPasswordRequest2
  com.sun.star.bridge.XBridge
  com.sun.star.connection.ConnectionSetupException
  com.sun.star.frame.DispatchHelper
  com.sun.star.frame.XDispatchHelper
  com.sun.star.frame.XDispatchProvider
)
set(UNO_STAMP ${UNO_GEN_DIR}/.stamp)
set(UNO_TYPE_ARGS)
foreach(t ${UNO_TYPES})
  list(APPEND UNO_TYPE_ARGS -T${t})
endforeach()
add_custom_command(
  OUTPUT ${UNO_STAMP}
  COMMAND ${LO_SDK}/bin/cppumaker -Gc -O${UNO_GEN_DIR} ${UNO_TYPE_ARGS}
          ${LO_PROGRAM}/types.rdb ${LO_PROGRAM}/types/offapi.rdb
  COMMAND ${CMAKE_COMMAND} -E touch ${UNO_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Generating office API headers"
  VERBATIM)
add_custom_target(uno_headers DEPENDS ${UNO_STAMP})

add_library(uno INTERFACE)
add_dependencies(uno uno_headers)
target_compile_definitions(uno INTERFACE LINUX UNX GCC CPPU_ENV=gcc3)
target_include_directories(uno SYSTEM INTERFACE /usr/include/libreoffice ${UNO_GEN_DIR})
target_link_directories(uno INTERFACE ${LO_SDK}/lib)
target_link_libraries(uno INTERFACE uno_cppuhelpergcc3 uno_cppu uno_salhelpergcc3 uno_sal)
target_link_options(uno INTERFACE "-Wl,-rpath,${LO_PROGRAM}")
