#pragma once

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QString>
#include <QVector>

// Reads a saved 97-2003 workbook without the office: the compound file through libgsf, the
// records of its workbook stream decrypted here from the password. What another program
// reading the file would see.
namespace Biff {

struct Record
{
    quint16 type;
    QByteArray data;
};

// The records of the workbook stream, decrypted when the file is encrypted. Empty, with the
// reason in *error, when the file cannot be read or the password does not fit.
QVector<Record> readWorkbook(const QString &path, const QString &password, QString *error = nullptr);

// The first sheet's numbers in a column (from 0), by row (from 0).
QMap<int, double> firstSheetNumbers(const QVector<Record> &records, int column);
// A day number as every 97-2003 reader counts it (day 60 being 29 February 1900).
QDate dateFromSerial(double serial);
// The records of the first sheet, from its BOF to its EOF.
QVector<Record> firstSheet(const QVector<Record> &records);
double littleEndianDouble(const QByteArray &data, int at);

// The same workbook with its workbook stream re-encrypted the "CryptoAPI" way (RC4, SHA-1,
// 40-bit key), as several spreadsheet programs write it. The other streams are copied.
bool writeCryptoApiCopy(const QString &source, const QString &password, const QString &target);

} // namespace Biff
