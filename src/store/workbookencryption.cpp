// glib before Qt: its headers use names that Qt defines as macros.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include "workbookencryption.h"

#include <QFile>
#include <QtEndian>

#include <mutex>

namespace WorkbookEncryption {

namespace {

constexpr quint16 kBof = 0x0809;
constexpr quint16 kFilePass = 0x002F;
// FILEPASS must come right after the first BOF; a few records is plenty to look through.
constexpr int kRecordsToLook = 8;

template <typename T>
struct Unref
{
    T *p;
    ~Unref() { if (p) g_object_unref(p); }
};

// The first bytes of the workbook stream, read through the compound-file library.
QByteArray streamStart(const QString &path, qint64 bytes)
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
    GError *error = nullptr;
    Unref<GsfInput> file{gsf_input_stdio_new(QFile::encodeName(path).constData(), &error)};
    if (error)
        g_error_free(error), error = nullptr;
    if (!file.p)
        return {};
    Unref<GsfInfile> ole{gsf_infile_msole_new(file.p, &error)};
    if (error)
        g_error_free(error);
    if (!ole.p)
        return {};
    Unref<GsfInput> stream{gsf_infile_child_by_name(ole.p, "Workbook")};
    if (!stream.p)
        stream.p = gsf_infile_child_by_name(ole.p, "Book");
    if (!stream.p)
        return {};
    QByteArray out(int(qMin<gsf_off_t>(bytes, gsf_input_size(stream.p))), '\0');
    if (!gsf_input_read(stream.p, out.size(), reinterpret_cast<guint8 *>(out.data())))
        return {};
    return out;
}

} // namespace

Kind probe(const QString &path)
{
    return probeStream(streamStart(path, 4096));
}

Kind probeStream(const QByteArray &s)
{
    if (s.size() < 4)
        return Kind::NotReadable;
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(s.constData() + at); };
    if (u16(0) != kBof)
        return Kind::NotReadable;
    int at = 0;
    for (int i = 0; i < kRecordsToLook && at + 4 <= s.size(); ++i) {
        const quint16 type = u16(at), size = u16(at + 2);
        const int data = at + 4;
        if (type == kFilePass) {
            if (size < 2 || data + 2 > s.size())
                return Kind::Unknown;
            if (u16(data) == 0)
                return Kind::Xor;
            if (u16(data) != 1 || size < 6 || data + 6 > s.size())
                return Kind::Unknown;
            const quint16 major = u16(data + 2), minor = u16(data + 4);
            if (major == 1 && minor == 1)
                return Kind::Rc4Standard;
            if (major >= 2 && major <= 4 && minor == 2)
                return Kind::Rc4CryptoApi;
            return Kind::Unknown;
        }
        at = data + size;
    }
    return Kind::None;
}

bool officeCanOpen(Kind kind)
{
    return kind != Kind::Rc4CryptoApi && kind != Kind::Unknown;
}

QString cannotOpenMessage(const QString &path)
{
    return QStringLiteral("Impossibile aprire %1: il file è protetto da password in un modo che questo programma "
                          "non sa aprire.\n"
                          "Per usarlo, aprirlo con la sua password nel programma di fogli di calcolo con cui è stato "
                          "salvato e salvarlo di nuovo come \"Cartella di lavoro Excel 97-2003 (.xls)\", con la stessa "
                          "password e la cifratura compatibile con Office 97/2000, oppure senza password: questo "
                          "programma gliela rimette al primo salvataggio.\n"
                          "Il file non è stato modificato.")
        .arg(path);
}

} // namespace WorkbookEncryption
