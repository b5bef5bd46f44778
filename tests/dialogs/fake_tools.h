#pragma once
// Fake desktop tools for the tests: a folder that replaces PATH while the
// object lives, holding shell scripts that write their arguments (one a
// line) to <name>.args in the same folder and end with a chosen exit code.

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_environment.h"

class TFakeWerkzeuge {
public:
    TFakeWerkzeuge() : alterPfad_(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        setenv("PATH", dir_.str().c_str(), 1);
    }
    ~TFakeWerkzeuge() { setenv("PATH", alterPfad_.c_str(), 1); }
    TFakeWerkzeuge(const TFakeWerkzeuge&) = delete;
    TFakeWerkzeuge& operator=(const TFakeWerkzeuge&) = delete;

    void Anlegen(const std::string& name, int exitCode = 0)
    {
        const auto datei = dir_ / name;
        lxtest::WriteFile(datei, "#!/bin/sh\n: > '" + (dir_ / (name + ".args")).string() +
                                     "'\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
                                     (dir_ / (name + ".args")).string() + "'; done\nexit " +
                                     std::to_string(exitCode) + "\n");
        std::filesystem::permissions(datei, std::filesystem::perms::owner_all);
    }
    bool Aufgerufen(const std::string& name) const { return std::filesystem::exists(dir_ / (name + ".args")); }
    QStringList Argumente(const std::string& name) const
    {
        QStringList zeilen = QString::fromStdString(lxtest::ReadFile(dir_ / (name + ".args"))).split('\n');
        if (!zeilen.isEmpty() && zeilen.back().isEmpty())
            zeilen.removeLast();
        return zeilen;
    }
    const lxtest::TempDir& Ordner() const { return dir_; }

private:
    lxtest::TempDir dir_;
    std::string alterPfad_;
};
