// Where the find window opens, on screens of every size: no office, no window.
#include "find/findplacement.h"

#include <QTest>

class TestFindPlacement : public QObject
{
    Q_OBJECT

private slots:
    void besideTheMainWindowElseBelowElseLeastOverTheLists();
};

void TestFindPlacement::besideTheMainWindowElseBelowElseLeastOverTheLists()
{
    const QSize size(560, 360);
    const QRect main(100, 50, 750, 520);
    const QRect lists(140, 340, 720, 160);
    // Room on the right; then only on the left; then only below; then only above.
    QCOMPARE(findWindowPlace(main, lists, size, QRect(0, 0, 1920, 1080)), QPoint(858, 50));
    QCOMPARE(findWindowPlace(main.translated(600, 0), lists.translated(600, 0), size, QRect(0, 0, 1920, 1080)),
             QPoint(132, 50));
    QCOMPARE(findWindowPlace(main, lists, size, QRect(0, 0, 1000, 1000)), QPoint(100, 578));
    QCOMPARE(findWindowPlace(main.translated(0, 400), lists.translated(0, 400), size, QRect(0, 0, 1000, 1000)),
             QPoint(100, 82));
    // No room anywhere: kept on the screen, over the least of the lists (here, above them).
    const QRect tiny(0, 0, 1024, 768);
    QCOMPARE(findWindowPlace(main, lists, size, tiny), QPoint(100, 0));
}

QTEST_APPLESS_MAIN(TestFindPlacement)
#include "tst_findplacement.moc"
