#include "browse/listinglines.h"

#include <QTest>

// The texts list's model: given strings, or the full listing written line by line. No office.
class TestListingLines : public QObject
{
    Q_OBJECT

private slots:
    void listingLinesAreWrittenAsShownUntilStringsAreGiven()
    {
        const Appointments all = {Appointment::typed(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista")),
                                  Appointment::typed(QDate(2024, 3, 8), QTime(18, 0), QStringLiteral("Cena"))};
        ListingLines model;
        model.setStringList({QStringLiteral("del giorno")});
        model.showListing(all);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(0, 0).data().toString(), AppointmentText().listingLine(all[0]));
        // A view moving its cursor asks for neighbours the string list does not hold.
        QCOMPARE(model.index(0, 0).siblingAtRow(1).data().toString(), AppointmentText().listingLine(all[1]));
        QVERIFY(!model.index(2, 0).isValid());
        model.setStringList({QStringLiteral("uno")});
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("uno"));
        model.showListing({});
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(TestListingLines)
#include "tst_listinglines.moc"
