#include "support/shareddiary.h"
#include "support/browsefixture.h"

#include <QCheckBox>

using namespace BrowseFixture;

// The listing of every stored appointment behind Check1, on the real office and the real window.
class TestAllView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void emptyWorkbookListsNothingAndSaysNothing();
    void linesHoldEightBlanksBetweenPieces();
    void checkUncheckCheckGivesTheSameListing();
    void uncheckingFromCodeEmptiesTheListing();
    void exactlyOneStoredAppointment();
    void handEditedRowsAreListedAsTheyStand();
    void earlyDatesTypedInByHandAreListedAsTheyStand();

private:
    SharedDiary m_diary;
    Form1 *form() { return &m_diary->form(); }
};

namespace {
const QString kGap(8, QLatin1Char(' '));
}

void TestAllView::initTestCase()
{
    m_diary.start();
}

void TestAllView::init()
{
    m_diary.reset();
}

void TestAllView::emptyWorkbookListsNothingAndSaysNothing()
{
    ui(*form()).List1->addItem(QStringLiteral("09:00:00"));
    ui(*form()).Check1->click();
    QVERIFY(ui(*form()).Check1->isChecked());
    QCOMPARE(ui(*form()).List1->count(), 0);
    QCOMPARE(ui(*form()).List2->count(), 0);
    ui(*form()).Check1->click();
    QCOMPARE(m_diary->prompter.messages.size(), 0);
}

void TestAllView::linesHoldEightBlanksBetweenPieces()
{
    replaceRows(m_diary->book(), {row(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista")),
                                  row(QDate(2024, 3, 7), QTime(8, 5), QStringLiteral("Colazione di lavoro")),
                                  row(QDate(2025, 12, 31), QTime(23, 0), QStringLiteral("Cenone"))});
    ui(*form()).List1->addItem(QStringLiteral("09:00:00"));
    ui(*form()).Check1->click();
    QCOMPARE(lines(ui(*form()).List2),
             (QStringList{QStringLiteral("07/03/2024        09:30:00        Dentista"),
                          QStringLiteral("07/03/2024        08:05:00        Colazione di lavoro"),
                          QStringLiteral("31/12/2025        23:00:00        Cenone")}));
    QCOMPARE(ui(*form()).List1->count(), 0);
    QCOMPARE(m_diary->prompter.messages.size(), 0);
}

void TestAllView::checkUncheckCheckGivesTheSameListing()
{
    replaceRows(m_diary->book(), {row(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista")),
                                  row(QDate(2024, 3, 8), QTime(10, 0), QStringLiteral("Banca"))});
    ui(*form()).Check1->click();
    const QStringList first = lines(ui(*form()).List2);
    QCOMPARE(first.size(), 2);
    // A day's times stay in List1 when the box is unchecked.
    ui(*form()).List1->addItem(QStringLiteral("09:30:00"));
    ui(*form()).Check1->click();
    QCOMPARE(ui(*form()).List2->count(), 0);
    QCOMPARE(lines(ui(*form()).List1), QStringList{QStringLiteral("09:30:00")});
    ui(*form()).Check1->click();
    QCOMPARE(lines(ui(*form()).List2), first);
    QCOMPARE(m_diary->prompter.messages.size(), 0);
}

void TestAllView::uncheckingFromCodeEmptiesTheListing()
{
    replaceRows(m_diary->book(), {row(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista"))});
    ui(*form()).Check1->setChecked(true);
    QCOMPARE(ui(*form()).List2->count(), 1);
    ui(*form()).Check1->setChecked(false);
    QCOMPARE(ui(*form()).List2->count(), 0);
}

void TestAllView::exactlyOneStoredAppointment()
{
    replaceRows(m_diary->book(), {row(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista"))});
    ui(*form()).Check1->click();
    QCOMPARE(lines(ui(*form()).List2), QStringList{QStringLiteral("07/03/2024        09:30:00        Dentista")});
}

void TestAllView::handEditedRowsAreListedAsTheyStand()
{
    CellValue timeWithDay = CellValue::fromTime(QTime(18, 15));
    timeWithDay.number += 2;
    CellValue dayAtNoon = CellValue::fromDate(QDate(2024, 3, 7));
    dayAtNoon.number += 0.5;
    replaceRows(m_diary->book(),
                {row(QDate(2024, 3, 7), QTime(9, 0), QStringLiteral("Prima")),
                 CellRow(3, CellValue::empty()),
                 CellRow{CellValue::empty(), CellValue::fromTime(QTime(7, 0)), CellValue::fromText(QStringLiteral("Senza data"))},
                 {CellValue::fromText(QStringLiteral("domani")), CellValue::fromText(QStringLiteral("mattina")),
                  CellValue::fromText(QStringLiteral("Scritta a mano"))},
                 {CellValue::fromDate(QDate(2024, 3, 8)), CellValue::empty(), CellValue::fromNumber(12.5)},
                 {dayAtNoon, timeWithDay, CellValue::empty()},
                 row(QDate(2024, 3, 9), QTime(10, 0), QStringLiteral("Ultima"))});
    ui(*form()).Check1->click();
    QCOMPARE(lines(ui(*form()).List2),
             (QStringList{QStringLiteral("07/03/2024") + kGap + QStringLiteral("09:00:00") + kGap + QStringLiteral("Prima"),
                          QStringLiteral("domani") + kGap + QStringLiteral("mattina") + kGap + QStringLiteral("Scritta a mano"),
                          QStringLiteral("08/03/2024") + kGap + kGap + QStringLiteral("12,5"),
                          QStringLiteral("07/03/2024 12:00:00") + kGap + QStringLiteral("01/01/1900 18:15:00") + kGap,
                          QStringLiteral("09/03/2024") + kGap + QStringLiteral("10:00:00") + kGap + QStringLiteral("Ultima")}));
}

void TestAllView::earlyDatesTypedInByHandAreListedAsTheyStand()
{
    // Insertion refuses them, but the workbook may hold them from a hand edit.
    replaceRows(m_diary->book(), {row(QDate(1753, 1, 1), QTime(8, 0), QStringLiteral("Calendario")),
                                  row(QDate(1899, 12, 31), QTime(23, 0), QStringLiteral("Fine secolo")),
                                  row(QDate(1900, 2, 28), QTime(9, 0), QStringLiteral("Febbraio"))});
    ui(*form()).Check1->click();
    QCOMPARE(lines(ui(*form()).List2),
             (QStringList{QStringLiteral("01/01/1753") + kGap + QStringLiteral("08:00:00") + kGap + QStringLiteral("Calendario"),
                          QStringLiteral("31/12/1899") + kGap + QStringLiteral("23:00:00") + kGap + QStringLiteral("Fine secolo"),
                          QStringLiteral("28/02/1900") + kGap + QStringLiteral("09:00:00") + kGap + QStringLiteral("Febbraio")}));
    ui(*form()).Check1->click();
    clickDay(*form(), QDate(1899, 12, 31));
    QCOMPARE(lines(ui(*form()).List2), QStringList{QStringLiteral("Fine secolo")});
}

QTEST_MAIN(TestAllView)
#include "tst_allview.moc"
