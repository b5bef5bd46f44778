#pragma once
// Printed bar codes read back as a scanner reads a printout: the pages of a
// PDF rasterised by pdftoppm at 300 dpi and decoded by zbarimg.

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace rgtest {

inline constexpr int kScanResolution = 300;

// The first of the outside tools that is missing; empty when all are there.
inline QString MissingScanTool()
{
    for (const char* tool : {"pdftoppm", "zbarimg", "pdftotext"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    }
    return {};
}

// Every page of the PDF as a grey PNG in Dir, in page order.
inline QStringList RasterisePdf(const QString& Dir, const QString& PdfPath)
{
    QProcess raster;
    raster.start("pdftoppm", {"-r", QString::number(kScanResolution), "-gray", "-png", PdfPath, Dir + "/page"});
    EXPECT_TRUE(raster.waitForFinished(120000));
    EXPECT_EQ(raster.exitCode(), 0) << raster.readAllStandardError().toStdString();
    QStringList pages;
    for (const QString& name : QDir(Dir).entryList({"page*.png"}, QDir::Files, QDir::Name))
        pages << Dir + u'/' + name;
    return pages;
}

// What zbarimg reads in the images: one "TYPE:data" entry per symbol found,
// sorted (a symbol found twice stands twice). UPC-A, Interleaved 2 of 5 and
// the EAN add-ons are switched on.
inline QStringList ScanImages(const QStringList& Images)
{
    QProcess scan;
    QStringList args{"--quiet", "--set", "upca.enable=1", "--set", "i25.enable=1",
                     "--set", "ean2.enable=1", "--set", "ean5.enable=1"};
    scan.start("zbarimg", args + Images);
    EXPECT_TRUE(scan.waitForFinished(120000));
    QStringList found;
    for (const QByteArray& line : scan.readAllStandardOutput().split('\n')) {
        if (!line.trimmed().isEmpty())
            found << QString::fromUtf8(line.trimmed());
    }
    found.sort();
    return found;
}

// The symbols on a one-page PDF.
inline QSet<QString> ScanPdf(const QString& Dir, const QString& PdfPath)
{
    const QStringList found = ScanImages(RasterisePdf(Dir, PdfPath));
    return QSet<QString>(found.begin(), found.end());
}

}  // namespace rgtest
