#pragma once
// Small pictures made by the tests: a colour gradient, a picture of few
// colours, a black-and-white one; the outside tools that check our files
// (gm identify, tiffinfo); and one small sample file of every format the
// library reads.

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QString>

#include <map>

namespace pictest {

inline QImage Gradient(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1), (x + y) % 256));
    return img;
}

// Four flat quarters: red, green, blue, white.
inline QImage Quarters(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, low = y >= h / 2;
            img.setPixel(x, y, !right && !low ? qRgb(255, 0, 0) : right && !low ? qRgb(0, 255, 0)
                                              : !right ? qRgb(0, 0, 255) : qRgb(255, 255, 255));
        }
    return img;
}

// Runs an outside tool; its standard output (empty when it failed).
inline QString RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// "FORMAT WIDTH HEIGHT" as GraphicsMagick's identify sees the first page.
inline QString GmIdentify(const QString& file)
{
    return RunTool("gm", {"identify", "-format", "%m %w %h\\n", file}).section('\n', 0, 0).trimmed();
}

// One small sample of every format the library reads, keyed by extension.
std::map<QString, QByteArray> SampleFiles();

}  // namespace pictest
