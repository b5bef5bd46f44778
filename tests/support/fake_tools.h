#pragma once
// Fake desktop tools for the tests: a folder that replaces PATH while the
// object lives, holding shell scripts that write their arguments (one a
// line) to <name>.args in the same folder, append each call as one line
// (arguments separated by " | ") to <name>.calls, print a chosen text and
// end with a chosen exit code. The variables that name the running desktop
// and the mailer are cleared for the object's life, so the machine's own
// session decides nothing; Setzen() gives them a value.

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "test_environment.h"

class TFakeWerkzeuge {
public:
    TFakeWerkzeuge()
    {
        Merken("PATH");
        setenv("PATH", dir_.str().c_str(), 1);
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "MAILER"}) {
            Merken(name);
            unsetenv(name);
        }
    }
    ~TFakeWerkzeuge()
    {
        for (const auto& [name, wert] : alt_)
            if (wert)
                setenv(name.c_str(), wert->c_str(), 1);
            else
                unsetenv(name.c_str());
    }
    TFakeWerkzeuge(const TFakeWerkzeuge&) = delete;
    TFakeWerkzeuge& operator=(const TFakeWerkzeuge&) = delete;

    void Anlegen(const std::string& name, int exitCode = 0, const std::string& ausgabe = "")
    {
        const auto datei = dir_ / name;
        const std::string args = Quote((dir_ / (name + ".args")).string());
        const std::string calls = Quote((dir_ / (name + ".calls")).string());
        lxtest::WriteFile(datei, "#!/bin/sh\n: > " + args + "\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> " + args +
                                     "; done\nz=''\nfor a in \"$@\"; do z=\"$z${z:+ | }$a\"; done\nprintf '%s\\n' \"$z\" >> " +
                                     calls + "\nprintf '%s' " + Quote(ausgabe) + "\nexit " +
                                     std::to_string(exitCode) + "\n");
        std::filesystem::permissions(datei, std::filesystem::perms::owner_all);
    }
    // Sets an environment variable until the object goes.
    void Setzen(const char* name, const std::string& wert)
    {
        Merken(name);
        setenv(name, wert.c_str(), 1);
    }
    bool Aufgerufen(const std::string& name) const { return std::filesystem::exists(dir_ / (name + ".args")); }
    // The arguments of the last call.
    QStringList Argumente(const std::string& name) const { return Zeilen(dir_ / (name + ".args")); }
    // Every call, oldest first, its arguments joined by " | ".
    QStringList Aufrufe(const std::string& name) const { return Zeilen(dir_ / (name + ".calls")); }
    const lxtest::TempDir& Ordner() const { return dir_; }

private:
    static std::string Quote(const std::string& s)
    {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }
    static QStringList Zeilen(const std::filesystem::path& datei)
    {
        if (!std::filesystem::exists(datei))
            return {};
        QStringList zeilen = QString::fromStdString(lxtest::ReadFile(datei)).split('\n');
        if (!zeilen.isEmpty() && zeilen.back().isEmpty())
            zeilen.removeLast();
        return zeilen;
    }
    void Merken(const char* name)
    {
        if (alt_.count(name))
            return;
        const char* wert = std::getenv(name);
        alt_[name] = wert ? std::optional<std::string>(wert) : std::nullopt;
    }

    lxtest::TempDir dir_;
    std::map<std::string, std::optional<std::string>> alt_;
};
