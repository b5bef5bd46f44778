#pragma once
// One QCoreApplication for test programs that run without the Qt test main:
// made on first use, kept until the program ends.

#include <QCoreApplication>

namespace lxtest {

inline void EnsureCoreApplication()
{
    static int argc = 1;
    static char name[] = "lumadex_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        static QCoreApplication app(argc, argv);
}

}  // namespace lxtest
