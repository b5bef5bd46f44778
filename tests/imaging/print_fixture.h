#pragma once
// Helpers of the printing tests: the program's printer writing a PDF file,
// and the printed file read back with poppler's pdfinfo and pdfimages.

#include <QPrinter>
#include <QProcess>
#include <QStringList>

#include <vector>

#include "platform/ui/dialogs.h"

namespace printtest {

inline QString Tool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The program's printer writes `file` at 300 dpi on A4 with 10 mm margins.
inline void PrintToPdf(const QString& file, QPageLayout::Orientation orientation = QPageLayout::Portrait)
{
    QPrinter* p = Printer();
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(file);
    p->setResolution(300);
    p->setPageSize(QPageSize(QPageSize::A4));
    p->setPageOrientation(orientation);
    p->setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

inline int PdfPages(const QString& file)
{
    for (const QString& line : Tool("pdfinfo", {file}).split('\n'))
        if (line.startsWith("Pages:"))
            return line.section(':', 1).trimmed().toInt();
    return -1;
}

// One picture of a PDF as pdfimages lists it: its pixels and the pixels per
// inch at which it is placed.
struct TPdfImage {
    int Width = 0, Height = 0, PpiX = 0, PpiY = 0;
};

inline std::vector<TPdfImage> PdfImages(const QString& file)
{
    std::vector<TPdfImage> list;
    for (const QString& line : Tool("pdfimages", {"-list", file}).split('\n')) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() < 14 || f[2] != "image")
            continue;
        list.push_back({f[3].toInt(), f[4].toInt(), f[12].toInt(), f[13].toInt()});
    }
    return list;
}

}  // namespace printtest
