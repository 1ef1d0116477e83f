#include "print/printappointments.h"
#include "print/printrig.h"
#include "print/stampap.h"
#include "shell/form1.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "support/shareddiary.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>

// The printer window over the real CUPS queues of the test rig, opened from the main window.
class TestStampaP : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadsThePrintersAndTheDefault();
    void layoutAndTabOrder();
    void secondStampaOpensNoSecondWindow();
    void aPrintHidesItAndTheChoiceSurvives();
    void emptyListHidesItToo();
    void closeBoxGivesAFreshLoad();

private:
    QList<StampaP *> windows() const;
    StampaP *pressStampa();

    SharedDiary m_diary;
    QString m_addedQueue;
};

void TestStampaP::initTestCase()
{
    if (!PrintRig::rigIsUp())
        QFAIL("the test printers are missing: run through ctest, which adds them (tests/print/cups_rig.sh)");
}

void TestStampaP::init()
{
    m_diary.start();
}

void TestStampaP::cleanup()
{
    m_diary.stop();
    if (!m_addedQueue.isEmpty())
        PrintRig::run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), m_addedQueue});
    m_addedQueue.clear();
}

QList<StampaP *> TestStampaP::windows() const
{
    QList<StampaP *> out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *s = qobject_cast<StampaP *>(w))
            out << s;
    }
    return out;
}

StampaP *TestStampaP::pressStampa()
{
    QTest::mouseClick(ui(m_diary->form()).Command2, Qt::LeftButton);
    const QList<StampaP *> shown = windows();
    return shown.size() == 1 ? shown.first() : nullptr;
}

void TestStampaP::loadsThePrintersAndTheDefault()
{
    StampaP *w = pressStampa();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Seleziona Stampante"));
    QVERIFY(!w->parentWidget());
    QStringList listed;
    for (int i = 0; i < ui(*w).Combo1->count(); ++i)
        listed << ui(*w).Combo1->itemText(i);
    // CUPS's own order, whatever it is, and every test queue in it.
    QCOMPARE(listed, QPrinterInfo::availablePrinterNames());
    for (const QString &q : PrintRig::kQueues)
        QVERIFY2(listed.contains(q), qPrintable(q));
    QVERIFY(listed.indexOf(PrintRig::kQueues[0]) < listed.indexOf(PrintRig::kQueues[1]));
    QVERIFY(listed.indexOf(PrintRig::kQueues[1]) < listed.indexOf(PrintRig::kQueues[2]));
    QCOMPARE(ui(*w).Combo1->currentText(), QStringLiteral("Seleziona la stampante"));
    QVERIFY(!listed.contains(QStringLiteral("Seleziona la stampante")));
    const QStringList lines = ui(*w).Label1->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines, (QStringList{QStringLiteral("La stampante predefinita è: "), PrintRig::kDefaultQueue}));
    // A typed name is passed on as typed: no completion to an installed printer.
    ui(*w).Combo1->lineEdit()->clear();
    QTest::keyClicks(ui(*w).Combo1->lineEdit(), QStringLiteral("vsp_pdf_b"));
    QCOMPARE(ui(*w).Combo1->currentText(), QStringLiteral("vsp_pdf_b"));
}

void TestStampaP::layoutAndTabOrder()
{
    StampaP *w = pressStampa();
    QVERIFY(w);
    QCOMPARE(w->size(), QSize(324, 206));
    QCOMPARE(ui(*w).Combo1->geometry(), QRect(32, 32, 257, 26));
    QCOMPARE(ui(*w).Command1->geometry(), QRect(32, 80, 257, 57));
    QCOMPARE(ui(*w).Label1->geometry(), QRect(32, 160, 241, 33));
    QVERIFY(ui(*w).Combo1->isEditable());
    QCOMPARE(ui(*w).Command1->text(), QStringLiteral("Seleziona"));
    QCOMPARE(ui(*w).Combo1->font().family(), QStringLiteral("Arial"));
    QCOMPARE(ui(*w).Command1->font().family(), QStringLiteral("Calibri"));
    QCOMPARE(ui(*w).Label1->font().family(), QStringLiteral("Calibri"));
    for (QWidget *c : {static_cast<QWidget *>(ui(*w).Combo1), static_cast<QWidget *>(ui(*w).Command1),
                       static_cast<QWidget *>(ui(*w).Label1)}) {
        QVERIFY(c->font().bold());
        QCOMPARE(c->font().pointSizeF(), 11.25);
    }
    // Tab goes from the button to the combo box, and the button has the focus first.
    QApplication::setActiveWindow(w);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ui(*w).Command1));
    QTest::keyClick(ui(*w).Command1, Qt::Key_Tab);
    QWidget *next = QApplication::focusWidget();
    QVERIFY2(next == ui(*w).Combo1 || next == ui(*w).Combo1->lineEdit(), next ? next->metaObject()->className() : "none");
    // Typing a name leaves the list of installed printers alone.
    const int count = ui(*w).Combo1->count();
    ui(*w).Combo1->setFocus();
    ui(*w).Combo1->lineEdit()->selectAll();
    QTest::keyClicks(ui(*w).Combo1, QStringLiteral("Scritta a mano"));
    QTest::keyClick(ui(*w).Combo1, Qt::Key_Return);
    QCOMPARE(ui(*w).Combo1->count(), count);
    QCOMPARE(ui(*w).Combo1->currentText(), QStringLiteral("Scritta a mano"));
}

void TestStampaP::secondStampaOpensNoSecondWindow()
{
    StampaP *first = pressStampa();
    QVERIFY(first);
    ui(*first).Combo1->setEditText(PrintRig::kQueues[0]);
    StampaP *second = pressStampa();
    QCOMPARE(second, first);
    QCOMPARE(windows().size(), 1);
    QCOMPARE(ui(*second).Combo1->currentText(), PrintRig::kQueues[0]);
}

void TestStampaP::aPrintHidesItAndTheChoiceSurvives()
{
    CellBlock rows{{CellValue::fromDate(QDate(2009, 5, 25)), CellValue::fromTime(QTime(9, 30)),
                    CellValue::fromText(QStringLiteral("Dentista"))}};
    m_diary->book().writeBlock(SheetLayout::kFirstDataRow, 1, rows);
    StampaP *w = pressStampa();
    QVERIFY(w);
    ui(*w).Combo1->setCurrentIndex(ui(*w).Combo1->findText(PrintRig::kQueues[2]));
    const QSet<QString> before = PrintRig::pdfFiles();
    m_diary->prompter.answers = {QStringLiteral("110")};
    QTest::mouseClick(ui(*w).Command1, Qt::LeftButton);
    QCOMPARE(m_diary->prompter.prompts, QStringList{PrintAppointments::kZoomPrompt});
    QCOMPARE(m_diary->prompter.texts(), QStringList());
    QVERIFY(!w->isVisible());
    const QStringList made = PrintRig::newPdfs(before, 15000);
    QCOMPARE(made.size(), 1);
    QFile::remove(made[0]);

    StampaP *again = pressStampa();
    QCOMPARE(again, w);
    QVERIFY(again->isVisible());
    QCOMPARE(ui(*again).Combo1->currentText(), PrintRig::kQueues[2]);
}

void TestStampaP::emptyListHidesItToo()
{
    StampaP *w = pressStampa();
    QVERIFY(w);
    ui(*w).Combo1->setEditText(PrintRig::kQueues[1]);
    QTest::keyClick(ui(*w).Command1, Qt::Key_Return);  // Enter on the focused button prints
    QCOMPARE(m_diary->prompter.texts(), QStringList{PrintAppointments::kEmptyListMessage});
    QVERIFY(m_diary->prompter.prompts.isEmpty());
    QVERIFY(!w->isVisible());
    QCOMPARE(pressStampa(), w);
    QCOMPARE(ui(*w).Combo1->currentText(), PrintRig::kQueues[1]);
}

void TestStampaP::closeBoxGivesAFreshLoad()
{
    StampaP *w = pressStampa();
    QVERIFY(w);
    ui(*w).Combo1->setEditText(PrintRig::kQueues[2]);
    // A queue installed while the window is loaded shows only after a fresh load.
    m_addedQueue = QStringLiteral("vsp_pdf_delta");
    PrintRig::run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), m_addedQueue, QStringLiteral("-E"),
                                              QStringLiteral("-v"), QStringLiteral("cups-pdf:/"), QStringLiteral("-m"),
                                              QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd")});
    QVERIFY(QPrinterInfo::availablePrinterNames().contains(m_addedQueue));
    w->hide();
    QCOMPARE(pressStampa(), w);
    QCOMPARE(ui(*w).Combo1->findText(m_addedQueue), -1);

    QPointer<StampaP> closed(w);
    QVERIFY(w->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closed.isNull());
    QVERIFY(windows().isEmpty());

    StampaP *fresh = pressStampa();
    QVERIFY(fresh);
    QCOMPARE(ui(*fresh).Combo1->currentText(), QStringLiteral("Seleziona la stampante"));
    QVERIFY(ui(*fresh).Combo1->findText(m_addedQueue) >= 0);
}

QTEST_MAIN(TestStampaP)
#include "tst_stampap.moc"
