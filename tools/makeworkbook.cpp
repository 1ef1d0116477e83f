// Writes the empty appointment workbook that ships with the program.
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeworkbook OUTPUT.xls\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString partial = out + QStringLiteral(".part");
    // A profile of its own, new each time: the build neither depends on nor disturbs the
    // profiles of the user's diaries, and goes through the office's first start every time.
    QTemporaryDir cache;
    if (!cache.isValid()) {
        std::fprintf(stderr, "makeworkbook: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    try {
        CalcWorkbook book;
        book.start();
        book.createNew();
        SheetLayout::PrepareSheet(book);
        SheetLayout::FitColumns(book);
        book.saveAs(partial, SheetLayout::kPassword);
        book.close();
        book.quit();
    } catch (const StoreError &e) {
        std::fprintf(stderr, "makeworkbook: %d %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    QFile::remove(out);
    return QFile::rename(partial, out) ? 0 : 1;
}
