#include "weblink/linkimage.h"
#include "weblink/weblink.h"
#include "shell/form1.h"
#include "support/shareddiary.h"

#include <QDesktopServices>
#include <QTest>

// Stands in for the user's browser: every address the desktop is asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { opened << url; }

public:
    QList<QUrl> opened;
};

// The picture in the corner opens the program's web site.
class TestWebLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void anyButtonOpensTheSiteAndLeavesABorder();
    void failureShowsNothing();

private:
    SharedDiary m_diary;
};

void TestWebLink::initTestCase()
{
    m_diary.start();
    m_diary->form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_diary->form()));
}

void TestWebLink::cleanupTestCase()
{
    m_diary.stop();
}

void TestWebLink::anyButtonOpensTheSiteAndLeavesABorder()
{
    LinkImage *image = ui(m_diary->form()).Image1;
    QCOMPARE(image->frameShape(), QFrame::NoFrame);
    const QSize size = image->size();
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");

    int presses = 0;
    for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton, Qt::MiddleButton, Qt::LeftButton}) {
        QTest::mousePress(image, button, Qt::ShiftModifier, QPoint(3, 3));
        QTest::mouseRelease(image, button, Qt::ShiftModifier, QPoint(3, 3));
        ++presses;
        QCOMPARE(browser.opened.size(), presses);
        QCOMPARE(browser.opened.last(), QUrl(QStringLiteral("https://vespolari.example.org/")));
        // A thin fixed border, the same after every press.
        QCOMPARE(image->frameShape(), QFrame::Box);
        QCOMPARE(image->frameShadow(), QFrame::Plain);
        QCOMPARE(image->lineWidth(), 1);
        QCOMPARE(image->size(), size);
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QVERIFY(m_diary->prompter.messages.isEmpty());
    QVERIFY(!m_diary->form().hasEnded());
}

void TestWebLink::failureShowsNothing()
{
    // Without a handler the offscreen desktop cannot open anything.
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QVERIFY(!QDesktopServices::openUrl(WebLink::address()));
    LinkImage *image = ui(m_diary->form()).Image1;
    QTest::mousePress(image, Qt::LeftButton);
    QTest::mouseRelease(image, Qt::LeftButton);
    QVERIFY(m_diary->prompter.messages.isEmpty());
    QCOMPARE(image->frameShape(), QFrame::Box);
    QVERIFY(!m_diary->form().hasEnded());
}

QTEST_MAIN(TestWebLink)
#include "tst_weblink.moc"
