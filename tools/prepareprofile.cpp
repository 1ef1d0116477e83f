// Starts the office once on the user's own profile and ends it: a new profile makes the office
// restart itself and take seconds, which an install spares the user's first start.
#include "store/calcworkbook.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        CalcWorkbook book;
        book.start();
        book.quit();
    } catch (const StoreError &e) {
        std::fprintf(stderr, "prepareprofile: %d %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    return 0;
}
