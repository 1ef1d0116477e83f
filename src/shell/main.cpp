#include "errorreport.h"
#include "form1.h"
#include "qtprompter.h"
#include "regional.h"
#include "startup.h"
#include "store/appointmentbook.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vespolari"));
    QTranslator qtTexts;
    if (qtTexts.load(Regional::locale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);

    QtPrompter prompter;
    InstanceLock lock;
    AppointmentBook book;
    try {
        if (!LoadWorkbook(QCoreApplication::applicationDirPath(), book, lock, prompter))
            return 0;
    } catch (const StoreError &e) {
        ReportError(prompter, e);
        return 1;
    }
    Form1 form(book, prompter);
    prompter.setParent(&form);
    form.show();
    return app.exec();
}
