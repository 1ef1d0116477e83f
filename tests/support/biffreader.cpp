// glib before Qt: its headers use names that Qt defines as macros.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include "biffreader.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <functional>

namespace Biff {

namespace {

constexpr quint16 kBof = 0x0809, kEof = 0x000A, kFilePass = 0x002F, kBoundSheet = 0x0085, kIndex = 0x020B;
constexpr quint16 kNumber = 0x0203, kRk = 0x027E, kMulRk = 0x00BD;
constexpr int kBlock = 1024;

quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
void put32(QByteArray &b, int at, quint32 v) { qToLittleEndian<quint32>(v, b.data() + at); }

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    put32(b, 0, v);
    return b;
}

QByteArray utf16le(const QString &s)
{
    QByteArray b;
    for (const QChar c : s) {
        b.append(char(c.unicode() & 0xff));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

class Rc4
{
public:
    explicit Rc4(const QByteArray &key)
    {
        for (int i = 0; i < 256; ++i)
            m_s[i] = quint8(i);
        for (int i = 0, j = 0; i < 256; ++i) {
            j = (j + m_s[i] + quint8(key[i % key.size()])) & 0xff;
            std::swap(m_s[i], m_s[j]);
        }
    }
    quint8 next()
    {
        m_i = (m_i + 1) & 0xff;
        m_j = (m_j + m_s[m_i]) & 0xff;
        std::swap(m_s[m_i], m_s[m_j]);
        return m_s[(m_s[m_i] + m_s[m_j]) & 0xff];
    }
    QByteArray apply(QByteArray data)
    {
        for (char &c : data)
            c = char(quint8(c) ^ next());
        return data;
    }

private:
    quint8 m_s[256];
    int m_i = 0, m_j = 0;
};

QByteArray md5(const QByteArray &b) { return QCryptographicHash::hash(b, QCryptographicHash::Md5); }
QByteArray sha1(const QByteArray &b) { return QCryptographicHash::hash(b, QCryptographicHash::Sha1); }

// The key of one 1024-byte block, for each of the two RC4 variants.
using BlockKey = std::function<QByteArray(quint32)>;

BlockKey standardKey(const QString &password, const QByteArray &salt)
{
    const QByteArray h0 = md5(utf16le(password)).left(5);
    QByteArray buffer;
    for (int i = 0; i < 16; ++i)
        buffer += h0 + salt;
    const QByteArray base = md5(buffer).left(5);
    return [base](quint32 block) { return md5(base + le32(block)); };
}

BlockKey cryptoApiKey(const QString &password, const QByteArray &salt, int keyBits)
{
    const QByteArray base = sha1(salt + utf16le(password));
    return [base, keyBits](quint32 block) {
        QByteArray key = sha1(base + le32(block)).left(keyBits / 8);
        // A 40-bit key goes to RC4 padded to 128 bits.
        if (keyBits == 40)
            key += QByteArray(11, '\0');
        return key;
    };
}

QByteArray keystream(const BlockKey &key, int length)
{
    QByteArray out;
    out.reserve(length + kBlock);
    for (quint32 block = 0; out.size() < length; ++block)
        out += Rc4(key(block)).apply(QByteArray(kBlock, '\0'));
    return out.left(length);
}

struct Parsed
{
    quint16 type;
    int offset;  // of the record header in the stream
    QByteArray data;
};

QVector<Parsed> split(const QByteArray &stream)
{
    QVector<Parsed> out;
    for (int at = 0; at + 4 <= stream.size();) {
        const int size = u16(stream, at + 2);
        out.append({u16(stream, at), at, stream.mid(at + 4, size)});
        at += 4 + size;
    }
    return out;
}

bool stays(quint16 type)
{
    // Records the encryption leaves in the clear.
    return type == kBof || type == kFilePass || type == 0x0194 || type == 0x0195 || type == 0x00E1
        || type == 0x0196 || type == 0x0138;
}

// XORs the data of every record after FILEPASS with the stream's keystream, in place.
void crypt(QVector<Parsed> &records, const QByteArray &ks)
{
    bool after = false;
    for (Parsed &r : records) {
        if (r.type == kFilePass) {
            after = true;
            continue;
        }
        if (!after || stays(r.type))
            continue;
        const int from = r.type == kBoundSheet ? 4 : 0;  // the sheet's position stays readable
        for (int i = from; i < r.data.size(); ++i)
            r.data[i] = char(quint8(r.data[i]) ^ quint8(ks[r.offset + 4 + i]));
    }
}

template <typename T>
struct Unref
{
    T *p;
    ~Unref() { if (p) g_object_unref(p); }
};

QByteArray readStream(GsfInput *in)
{
    QByteArray out(int(gsf_input_size(in)), '\0');
    if (!out.isEmpty() && !gsf_input_read(in, out.size(), reinterpret_cast<guint8 *>(out.data())))
        return {};
    return out;
}

GsfInfile *openOle(const QString &path, Unref<GsfInput> &file)
{
    gsf_init();
    GError *error = nullptr;
    file.p = gsf_input_stdio_new(QFile::encodeName(path).constData(), &error);
    if (error)
        g_error_free(error), error = nullptr;
    if (!file.p)
        return nullptr;
    GsfInfile *ole = gsf_infile_msole_new(file.p, &error);
    if (error)
        g_error_free(error);
    return ole;
}

bool copyTree(GsfInfile *from, GsfOutfile *to, const QByteArray &workbook)
{
    for (int i = 0; i < gsf_infile_num_children(from); ++i) {
        const char *name = gsf_infile_name_by_index(from, i);
        Unref<GsfInput> child{gsf_infile_child_by_index(from, i)};
        const bool storage = GSF_IS_INFILE(child.p) && gsf_infile_num_children(GSF_INFILE(child.p)) >= 0;
        Unref<GsfOutput> out{gsf_outfile_new_child(to, name, storage)};
        if (storage) {
            if (!copyTree(GSF_INFILE(child.p), GSF_OUTFILE(out.p), workbook))
                return false;
        } else {
            const QByteArray data = qstrcmp(name, "Workbook") == 0 ? workbook : readStream(child.p);
            if (!gsf_output_write(out.p, data.size(), reinterpret_cast<const guint8 *>(data.constData())))
                return false;
        }
        gsf_output_close(out.p);
    }
    return true;
}

QByteArray join(const QVector<Parsed> &records)
{
    QByteArray out;
    for (const Parsed &r : records) {
        QByteArray header(4, '\0');
        qToLittleEndian<quint16>(r.type, header.data());
        qToLittleEndian<quint16>(quint16(r.data.size()), header.data() + 2);
        out += header + r.data;
    }
    return out;
}

} // namespace

QVector<Record> readWorkbook(const QString &path, const QString &password, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return QVector<Record>();
    };
    Unref<GsfInput> file{nullptr};
    Unref<GsfInfile> ole{openOle(path, file)};
    if (!ole.p)
        return fail(QStringLiteral("not a compound file"));
    Unref<GsfInput> stream{gsf_infile_child_by_name(ole.p, "Workbook")};
    if (!stream.p)
        return fail(QStringLiteral("no Workbook stream"));
    const QByteArray bytes = readStream(stream.p);
    QVector<Parsed> records = split(bytes);
    for (const Parsed &r : records) {
        if (r.type != kFilePass)
            continue;
        const QByteArray &d = r.data;
        if (d.size() < 6 || u16(d, 0) != 1)
            return fail(QStringLiteral("not RC4"));
        BlockKey key;
        QByteArray verifier, verifierHash, expected;
        if (u16(d, 2) == 1 && u16(d, 4) == 1) {
            key = standardKey(password, d.mid(6, 16));
            verifier = d.mid(22, 16);
            verifierHash = d.mid(38, 16);
            Rc4 check(key(0));
            verifier = check.apply(verifier);
            verifierHash = check.apply(verifierHash);
            expected = md5(verifier);
        } else {
            const int headerSize = int(u32(d, 10));
            const QByteArray header = d.mid(14, headerSize);
            const QByteArray v = d.mid(14 + headerSize);
            key = cryptoApiKey(password, v.mid(4, 16), int(u32(header, 16)));
            Rc4 check(key(0));
            verifier = check.apply(v.mid(20, 16));
            verifierHash = check.apply(v.mid(40, 20));
            expected = sha1(verifier);
        }
        if (verifierHash != expected)
            return fail(QStringLiteral("wrong password"));
        crypt(records, keystream(key, bytes.size()));
        break;
    }
    QVector<Record> out;
    for (const Parsed &r : records)
        out.append({r.type, r.data});
    return out;
}

QVector<Record> firstSheet(const QVector<Record> &records)
{
    QVector<Record> out;
    int at = 0;
    quint32 sheetAt = 0;
    bool found = false;
    for (const Record &r : records) {
        if (r.type == kBoundSheet && !found) {
            sheetAt = u32(r.data, 0);
            found = true;
        }
    }
    if (!found)
        return out;
    bool inside = false;
    for (const Record &r : records) {
        if (quint32(at) == sheetAt)
            inside = true;
        if (inside) {
            out.append(r);
            if (r.type == kEof)
                break;
        }
        at += 4 + r.data.size();
    }
    return out;
}

double littleEndianDouble(const QByteArray &data, int at)
{
    const quint64 bits = qFromLittleEndian<quint64>(data.constData() + at);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

namespace {
double rkValue(quint32 rk)
{
    double d;
    if (rk & 2) {
        d = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xfffffffc) << 32;
        std::memcpy(&d, &bits, sizeof d);
    }
    return (rk & 1) ? d / 100 : d;
}
} // namespace

QMap<int, double> firstSheetNumbers(const QVector<Record> &records, int column)
{
    QMap<int, double> out;
    for (const Record &r : firstSheet(records)) {
        if (r.type == kNumber && u16(r.data, 2) == column)
            out[u16(r.data, 0)] = littleEndianDouble(r.data, 6);
        else if (r.type == kRk && u16(r.data, 2) == column)
            out[u16(r.data, 0)] = rkValue(u32(r.data, 6));
        else if (r.type == kMulRk) {
            const int row = u16(r.data, 0), first = u16(r.data, 2), last = u16(r.data, r.data.size() - 2);
            if (column >= first && column <= last)
                out[row] = rkValue(u32(r.data, 4 + (column - first) * 6 + 2));
        }
    }
    return out;
}

QDate dateFromSerial(double serial)
{
    const int day = int(std::floor(serial));
    if (day == 60)
        return {};  // 29 February 1900
    return day < 60 ? QDate(1899, 12, 31).addDays(day) : QDate(1899, 12, 30).addDays(day);
}

bool writeCryptoApiCopy(const QString &source, const QString &password, const QString &target)
{
    Unref<GsfInput> file{nullptr};
    Unref<GsfInfile> ole{openOle(source, file)};
    if (!ole.p)
        return false;
    Unref<GsfInput> stream{gsf_infile_child_by_name(ole.p, "Workbook")};
    if (!stream.p)
        return false;
    QString error;
    const QVector<Record> plain = readWorkbook(source, password, &error);
    if (plain.isEmpty())
        return false;

    // A CryptoAPI header in place of the standard one.
    const QByteArray salt = QByteArray::fromHex("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
    const QByteArray verifier = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const BlockKey key = cryptoApiKey(password, salt, 40);
    Rc4 seal(key(0));
    QByteArray header(32, '\0');
    put32(header, 0, 0x04);      // flags: CryptoAPI
    put32(header, 8, 0x6801);    // RC4
    put32(header, 12, 0x8004);   // SHA-1
    put32(header, 16, 40);       // key bits
    put32(header, 20, 1);        // provider type
    header += utf16le(QStringLiteral("Microsoft Base Cryptographic Provider v1.0")) + QByteArray(2, '\0');
    QByteArray filePass(2, '\0');
    filePass[0] = 1;
    filePass += QByteArray::fromHex("02000200") + le32(0x04) + le32(quint32(header.size())) + header;
    const QByteArray sealedVerifier = seal.apply(verifier);
    const QByteArray sealedHash = seal.apply(sha1(verifier));
    filePass += le32(16) + salt + sealedVerifier + le32(20) + sealedHash;

    QVector<Parsed> records;
    QHash<quint32, quint32> moved;  // old record offsets to new ones
    int oldAt = 0, newAt = 0;
    for (const Record &r : plain) {
        const QByteArray data = r.type == kFilePass ? filePass : r.data;
        moved.insert(quint32(oldAt), quint32(newAt));
        records.append({r.type, newAt, data});
        oldAt += 4 + r.data.size();
        newAt += 4 + data.size();
    }
    const quint32 shift = quint32(newAt - oldAt);
    const auto relocate = [&](QByteArray &d, int at) {
        const quint32 old = u32(d, at);
        put32(d, at, moved.value(old, old + shift));
    };
    for (Parsed &r : records) {
        if (r.type == kBoundSheet)
            relocate(r.data, 0);
        if (r.type == kIndex)
            for (int at = 12; at + 4 <= r.data.size(); at += 4)
                relocate(r.data, at);
    }
    crypt(records, keystream(key, newAt));
    const QByteArray workbook = join(records);

    GError *error2 = nullptr;
    Unref<GsfOutput> out{gsf_output_stdio_new(QFile::encodeName(target).constData(), &error2)};
    if (error2)
        g_error_free(error2);
    if (!out.p)
        return false;
    Unref<GsfOutfile> outOle{gsf_outfile_msole_new(out.p)};
    const bool copied = copyTree(ole.p, outOle.p, workbook);
    // Closing the compound file closes the file under it.
    return gsf_output_close(GSF_OUTPUT(outOle.p)) && copied;
}

} // namespace Biff
