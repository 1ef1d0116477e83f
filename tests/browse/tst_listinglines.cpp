#include "browse/listinglines.h"

#include <QTest>

// The texts list's model: given strings, or the full listing written line by line. No office.
class TestListingLines : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
    void listingLinesAreWrittenAsShown();
    void givenStringsEndTheListing();
};

namespace {

QString line(const QAbstractItemModel &model, int row)
{
    return model.index(row, 0).data().toString();
}

} // namespace

void TestListingLines::listingLinesAreWrittenAsShown()
{
    const Appointments all = {Appointment::typed(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista")),
                              Appointment::typed(QDate(2024, 3, 8), QTime(18, 0), QStringLiteral("Cena"))};
    ListingLines model;
    model.setStringList({QStringLiteral("del giorno")});
    model.showListing(all);
    QCOMPARE(model.rowCount(), 2);
    AppointmentText text;
    QCOMPARE(line(model, 0), text.listingLine(all[0]));
    QCOMPARE(line(model, 1), text.listingLine(all[1]));
    QVERIFY(line(model, 1).endsWith(QStringLiteral("        Cena")));
    // A view moving its cursor asks for neighbours the string list does not hold.
    QCOMPARE(model.index(0, 0).siblingAtRow(1).data().toString(), line(model, 1));
    QVERIFY(!model.index(2, 0).isValid());
}

void TestListingLines::givenStringsEndTheListing()
{
    ListingLines model;
    model.showListing({Appointment::typed(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista"))});
    model.setStringList({QStringLiteral("uno"), QStringLiteral("due")});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(line(model, 1), QStringLiteral("due"));
    model.showListing({});
    QCOMPARE(model.rowCount(), 0);
    model.setStringList({});
    QCOMPARE(model.rowCount(), 0);
}

QTEST_MAIN(TestListingLines)
#include "tst_listinglines.moc"
