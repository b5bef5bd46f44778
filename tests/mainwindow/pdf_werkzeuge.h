#pragma once
// The outside tools (poppler-utils) the list print tests read a printed PDF
// with, and the folder the tests leave their screenshots in.

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>

// What the program writes to its standard output.
inline QString Werkzeug(const QString& programm, const QStringList& argumente)
{
    QProcess p;
    p.start(programm, argumente);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of the PDF, laid out as printed.
inline QString PdfText(const QString& pdf)
{
    return Werkzeug("pdftotext", {"-layout", pdf, "-"});
}

// The number of pages; 0 when it cannot be read.
inline int PdfSeiten(const QString& pdf)
{
    static const QRegularExpression seiten(QStringLiteral("Pages:\\s+(\\d+)"));
    return seiten.match(Werkzeug("pdfinfo", {pdf})).captured(1).toInt();
}

// The number of pictures: "pdfimages -list" writes two header lines, then
// one line per picture.
inline int PdfBilder(const QString& pdf)
{
    return std::max(0, int(Werkzeug("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).size()) - 2);
}

// The folder beside the test program that keeps the screenshots.
inline QString BildschirmfotoOrdner()
{
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    return ordner;
}

// Renders the first page of the PDF as name + ".png" into the screenshot
// folder; the path of the picture written.
inline QString PdfBildschirmfoto(const QString& pdf, const QString& name)
{
    const QString ziel = BildschirmfotoOrdner() + "/" + name;
    Werkzeug("pdftoppm", {"-f", "1", "-l", "1", "-r", "70", "-png", "-singlefile", pdf, ziel});
    return ziel + ".png";
}
