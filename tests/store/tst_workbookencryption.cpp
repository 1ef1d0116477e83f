// The encryption probe on workbook streams made by hand: the headers no office writes for us.
#include "store/workbookencryption.h"

#include <QTest>
#include <QtEndian>

using WorkbookEncryption::Kind;

namespace {

QByteArray record(quint16 type, const QVector<quint16> &words)
{
    QByteArray r(4 + 2 * words.size(), '\0');
    qToLittleEndian<quint16>(type, r.data());
    qToLittleEndian<quint16>(quint16(2 * words.size()), r.data() + 2);
    for (int i = 0; i < words.size(); ++i)
        qToLittleEndian<quint16>(words[i], r.data() + 4 + 2 * i);
    return r;
}

// BOF, then FILEPASS holding these words.
QByteArray stream(const QVector<quint16> &filePass)
{
    return record(0x0809, {0x0600, 0x0005}) + record(0x002F, filePass);
}

} // namespace

class TestWorkbookEncryption : public QObject
{
    Q_OBJECT

private slots:
    void headersTellTheKind();
};

void TestWorkbookEncryption::headersTellTheKind()
{
    QCOMPARE(WorkbookEncryption::probeStream(stream({1, 1, 1})), Kind::Rc4Standard);
    QCOMPARE(WorkbookEncryption::probeStream(stream({1, 4, 2})), Kind::Rc4CryptoApi);
    QCOMPARE(WorkbookEncryption::probeStream(stream({0, 0x1234, 0x5678})), Kind::Xor);
    QCOMPARE(WorkbookEncryption::probeStream(stream({1, 3, 3})), Kind::Unknown);
    QCOMPARE(WorkbookEncryption::probeStream(stream({2, 1, 1})), Kind::Unknown);
    QCOMPARE(WorkbookEncryption::probeStream(stream({1})), Kind::Unknown);  // cut short
    QCOMPARE(WorkbookEncryption::probeStream(record(0x0809, {0x0600}) + record(0x0042, {1252})), Kind::None);
    QCOMPARE(WorkbookEncryption::probeStream(record(0x0042, {1252})), Kind::NotReadable);
    QVERIFY(WorkbookEncryption::officeCanOpen(Kind::Xor));
    QVERIFY(!WorkbookEncryption::officeCanOpen(Kind::Unknown));
}

QTEST_APPLESS_MAIN(TestWorkbookEncryption)
#include "tst_workbookencryption.moc"
