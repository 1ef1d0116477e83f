#pragma once

// What the printing tests know of the test printers that cups_rig.sh adds, and where
// cups-pdf leaves its files. Tests print on these queues only.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace PrintRig {

inline const QStringList kQueues = {QStringLiteral("VSP_pdf_alpha"), QStringLiteral("vsp_pdf_Bravo"),
                                    QStringLiteral("vsp_pdf_charlie")};
inline const QString kDefaultQueue = QStringLiteral("vsp_pdf_Bravo");

inline QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// cups-pdf writes into the "Out" folder of its configuration, ${HOME} being the home of the
// user who sent the job.
inline QString outputFolder()
{
    QString out = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromLocal8Bit(conf.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QString l = line.trimmed();
            if (l.startsWith(QLatin1String("Out ")) || l.startsWith(QLatin1String("Out\t")))
                out = l.mid(4).trimmed();
        }
    }
    const passwd *pw = getpwuid(getuid());
    out.replace(QLatin1String("${HOME}"), QString::fromLocal8Bit(pw ? pw->pw_dir : "/root"));
    out.replace(QLatin1String("${USER}"), QString::fromLocal8Bit(pw ? pw->pw_name : "root"));
    return out;
}

inline QSet<QString> pdfFiles()
{
    QSet<QString> files;
    const QFileInfoList list = QDir(outputFolder()).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
    for (const QFileInfo &f : list)
        files.insert(f.absoluteFilePath());
    return files;
}

// Every job the scheduler holds or held, queue by queue ("queue-id" per job).
inline QStringList jobs()
{
    QStringList ids;
    const QStringList lines = run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"),
                                                             QStringLiteral("-o")})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines)
        ids << line.section(QLatin1Char(' '), 0, 0);
    return ids;
}

inline QStringList jobsOn(const QStringList &all, const QString &queue)
{
    QStringList out;
    for (const QString &id : all) {
        if (id.section(QLatin1Char('-'), 0, -2) == queue)
            out << id;
    }
    return out;
}

inline bool rigIsUp()
{
    const QString printers = run(QStringLiteral("lpstat"), {QStringLiteral("-p")});
    for (const QString &q : kQueues) {
        if (!printers.contains(QStringLiteral("printer %1 ").arg(q)))
            return false;
    }
    return true;
}

// Jobs on the rig's queues that the scheduler has not finished yet.
inline bool jobsPending()
{
    return !run(QStringLiteral("lpstat"), {QStringLiteral("-o"), kQueues.join(QLatin1Char(','))}).trimmed().isEmpty();
}

// The PDF files that appeared since `before`, waiting up to `ms` for `expected` of them; once
// they are there, waiting (a generous while more) until cups-pdf has done with them.
inline QStringList newPdfs(const QSet<QString> &before, int ms, int expected = 1)
{
    QElapsedTimer clock;
    clock.start();
    QStringList sizes;
    int steady = 0;
    for (;;) {
        QSet<QString> now = pdfFiles();
        now.subtract(before);
        QStringList made(now.begin(), now.end());
        made.sort();
        bool written = made.size() >= expected;
        QStringList seen;
        for (const QString &f : made) {
            const qint64 size = QFileInfo(f).size();
            written = written && size > 0;
            seen << f + QLatin1Char(':') + QString::number(size);
        }
        // cups-pdf fills a file after creating it: done once its job has left the queue and
        // the sizes have stood still for a few looks.
        steady = written && seen == sizes ? steady + 1 : 0;
        sizes = seen;
        if (steady >= 3 && !jobsPending())
            return made;
        if (clock.elapsed() > (written ? ms + 60000 : ms))
            return made;
        QTest::qWait(100);
    }
}

inline QString pdfText(const QString &path)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

// The rows of the table on the first page, header included, counted from the ruled lines of its
// grid as the page is drawn: a queue's PDF carries its glyphs without a text encoding, so its
// text cannot be counted.
inline int tableRows(const QString &path)
{
    const QString prefix = QDir::temp().filePath(QStringLiteral("vsp-page-%1").arg(QCoreApplication::applicationPid()));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), path, prefix});
    const QImage page(prefix + QStringLiteral(".png"));
    QFile::remove(prefix + QStringLiteral(".png"));
    int rules = 0;
    bool onRule = false;
    for (int y = 0; y < page.height(); ++y) {
        int run = 0, longest = 0;
        for (int x = 0; x < page.width(); ++x) {
            run = qGray(page.pixel(x, y)) < 128 ? run + 1 : 0;
            longest = qMax(longest, run);
        }
        // A rule runs unbroken across the table, a quarter of the page or more; text never does.
        const bool rule = longest > page.width() / 4;
        rules += rule && !onRule;
        onRule = rule;
    }
    return qMax(0, rules - 1);
}

inline int pdfPages(const QString &path)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                                                         QRegularExpression::MultilineOption)
                                          .match(run(QStringLiteral("pdfinfo"), {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace PrintRig
