#pragma once
// SANE's "test" backend as the scanner of the scanning tests. SANE reads
// its configuration folder once per process, so the whole test program
// uses one private SANE_CONFIG_DIR that loads only that backend (two
// virtual devices): no real scanner is asked and none is needed. A test
// that needs other SANE folders runs in a child process of the program.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/picture/picture_scanner.h"

namespace scantest {

inline void WriteSaneConfig(const QString& dir, bool withTestBackend)
{
    QFile dll(dir + "/dll.conf");
    if (dll.open(QIODevice::WriteOnly))
        dll.write(withTestBackend ? "test\n" : "");
    QFile test(dir + "/test.conf");
    if (test.open(QIODevice::WriteOnly))
        test.write("number_of_devices 2\n");
}

// Points SANE at the test backend, once for the whole program (a child
// process started by RunInChildWithoutScanners keeps the folder it was
// given). The backend keeps its devices' options from one session to the
// next: every test starts from the same ones.
inline void UseSaneTestBackend()
{
    if (qEnvironmentVariableIsSet("LUMADEX_SANE_CHILD"))
        return;
    static QTemporaryDir dir;
    static bool done = false;
    if (!done) {
        WriteSaneConfig(dir.path(), true);
        qputenv("SANE_CONFIG_DIR", dir.path().toUtf8());
        done = true;
    }
    const char* const options[][2] = {{"read-return-value", "Default"}, {"mode", "Gray"},
                                      {"depth", "8"},                   {"source", "Flatbed"},
                                      {"resolution", "50"},             {"test-picture", "Solid black"},
                                      {"read-limit", "no"},             {"hand-scanner", "no"},
                                      {"ppl-loss", "0"}};
    for (const char* device : {"test:0", "test:1"}) {
        TScanSession session;
        TPicError err;
        ASSERT_TRUE(session.Open(device, err)) << err.Text.toStdString();
        for (const auto& o : options)
            ASSERT_TRUE(session.SetOption(o[0], o[1], err)) << err.Text.toStdString();
    }
}

// True in the child process of RunInChild.
inline bool InSaneChild()
{
    return qEnvironmentVariableIsSet("LUMADEX_SANE_CHILD");
}

// Runs one test of this program in a child process whose SANE folder holds
// no backend at all; the child's result is the test's.
inline void RunInChildWithoutScanners(const QString& testName)
{
    QTemporaryDir dir;
    WriteSaneConfig(dir.path(), false);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SANE_CONFIG_DIR", dir.path());
    env.insert("LUMADEX_SANE_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + testName});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

}  // namespace scantest
