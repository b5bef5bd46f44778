#pragma once
// The registry stand-in: the few registry values the program reads and
// writes (App Paths install path, wallpaper values, drive letters) kept in
// the ini file Windows folder + "Registry.ini". Each key is one section
// named by its full path ("HKEY_LOCAL_MACHINE\SOFTWARE\...\LUMADEX.EXE");
// the default value of a key is the entry "@". Written atomically.

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"

#include <QString>
#include <QStringList>

enum class TRootKey { HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS };

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    TRegistry() = default;
    TRootKey RootKey = TRootKey::HKEY_CURRENT_USER;

    // key: "\SOFTWARE\Microsoft\..." or relative to the open key. A missing
    // key is created when canCreate (it shows in the file with its first value).
    bool OpenKey(const QString& key, bool canCreate);
    bool OpenKeyReadOnly(const QString& key);
    void CloseKey();
    bool KeyExists(const QString& key) const;
    bool DeleteKey(const QString& key);  // with its values and sub-keys
    QString CurrentPath() const { return currentPath_; }

    // Values of the open key; name "" is the default value.
    bool ValueExists(const QString& name) const;
    QString ReadString(const QString& name) const;        // "" when missing
    int ReadInteger(const QString& name) const;           // throws ERegistryException when missing/not a number
    bool ReadBool(const QString& name) const;             // ReadInteger != 0
    void WriteString(const QString& name, const QString& value);  // throws ERegistryException
    void WriteInteger(const QString& name, int value);
    void WriteBool(const QString& name, bool value);
    bool DeleteValue(const QString& name);
    void GetValueNames(TStringList& names) const;
    void GetKeyNames(TStringList& names) const;

    // The section name of a key under a root ("HKEY_CURRENT_USER\Software\x").
    static QString SectionName(TRootKey root, const QString& key);

private:
    QString Section() const;
    QString AbsoluteKey(const QString& key) const;
    QString currentPath_;
    QStringList created_;  // keys made by OpenKey that hold no value yet
    bool open_ = false;
    bool readOnly_ = false;
};
