#pragma once

// What the printing tests know of the test printers that cups_rig.sh adds, and where
// cups-pdf leaves its files. Tests print on these queues only.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

// The PDF files that appeared since `before`, waiting up to `ms` for `expected` of them.
inline QStringList newPdfs(const QSet<QString> &before, int ms, int expected = 1)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QSet<QString> now = pdfFiles();
        now.subtract(before);
        bool written = now.size() >= expected;
        for (const QString &f : now)
            written = written && QFileInfo(f).size() > 0;
        if (written) {
            // cups-pdf fills the file after creating it: give it time to finish.
            QTest::qWait(300);
            return QStringList(now.begin(), now.end());
        }
        if (clock.elapsed() > ms)
            return QStringList(now.begin(), now.end());
        QTest::qWait(100);
    }
}

inline QString pdfText(const QString &path)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

inline int pdfPages(const QString &path)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                                                         QRegularExpression::MultilineOption)
                                          .match(run(QStringLiteral("pdfinfo"), {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace PrintRig
