#pragma once

#include <QString>

// What protects a 97-2003 workbook, read from the encryption header (FILEPASS) at the start of
// its workbook stream before any office sees the file.
namespace WorkbookEncryption {

enum class Kind {
    None,          // no password: opens, and gains ours at its first save
    Rc4Standard,   // the one we write and the office reads
    Rc4CryptoApi,  // written by several programs by default; the office cannot decrypt it
    Xor,           // the old obfuscation
    Unknown,       // an encryption header we do not recognise
    NotReadable,   // no workbook stream to look at: left to the office's own checks
};

Kind probe(const QString &path);
// The same, from the first bytes of the workbook stream.
Kind probeStream(const QByteArray &streamStart);
// False for the kinds that would be refused as a wrong password although the password is right.
bool officeCanOpen(Kind kind);
// The user's message for a workbook the office cannot open.
QString cannotOpenMessage(const QString &path);

} // namespace WorkbookEncryption
