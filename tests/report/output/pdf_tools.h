#pragma once
// The outside tools the printing tests judge PDF output with.

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

}  // namespace rgtest
