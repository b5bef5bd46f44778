#pragma once
// The outside tools the printing tests judge PDF output with.

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace rgtest {

struct TToolResult {
    int ExitCode = -1;
    QString Output;  // standard output and error together
};

inline TToolResult RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {-1, program + " did not finish: " + p.errorString()};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAll())};
}

inline QString ToolOutput(const QString& program, const QStringList& args)
{
    return RunTool(program, args).Output;
}

inline bool Matches(const QString& text, const QString& pattern)
{
    return QRegularExpression(pattern).match(text).hasMatch();
}

// Every font of a PDF embedded with a Unicode map, the Liberation Sans face
// among them, and the file passing qpdf's structural check.
inline void ExpectEmbeddedFontsAndSoundFile(const QString& file)
{
    const QStringList fontLines = ToolOutput("pdffonts", {file}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fontLines.isEmpty());
    for (const QString& line : fontLines) {
        const QStringList f = line.simplified().split(' ');
        ASSERT_GE(f.size(), 7) << line.toStdString();
        EXPECT_EQ(f[f.size() - 5], "yes") << "not embedded: " << line.toStdString();
        EXPECT_EQ(f[f.size() - 3], "yes") << "no Unicode map: " << line.toStdString();
    }
    EXPECT_TRUE(fontLines.join('\n').contains("LiberationSans"));
    const TToolResult check = RunTool("qpdf", {"--check", file});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString();
}

}  // namespace rgtest
