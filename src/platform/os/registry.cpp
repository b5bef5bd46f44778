#include "platform/os/registry.h"

#include "platform/core/drive_map.h"
#include "platform/core/ini_file.h"
#include "platform/core/sys_utils.h"

#include <QDir>

namespace {

QString RootName(TRootKey root)
{
    switch (root) {
    case TRootKey::HKEY_CLASSES_ROOT: return QStringLiteral("HKEY_CLASSES_ROOT");
    case TRootKey::HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case TRootKey::HKEY_USERS: return QStringLiteral("HKEY_USERS");
    default: return QStringLiteral("HKEY_CURRENT_USER");
    }
}

QString NormalizeKey(const QString& key)
{
    return key.split(u'\\', Qt::SkipEmptyParts).join(u'\\');
}

QString ValueName(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("@") : name;
}

TIniFile& Store()
{
    // One object for the run; it re-reads the file when it changed on disk.
    static TIniFile* ini = nullptr;
    static QString path;
    const QString current = RegistryFileLinuxPath();
    if (!ini || path != current) {
        delete ini;
        QDir().mkpath(WindowsFolderLinuxPath());
        ini = new TIniFile(current);
        path = current;
    }
    return *ini;
}

}  // namespace

QString TRegistry::SectionName(TRootKey root, const QString& key)
{
    const QString k = NormalizeKey(key);
    return k.isEmpty() ? RootName(root) : RootName(root) + u'\\' + k;
}

QString TRegistry::AbsoluteKey(const QString& key) const
{
    if (key.startsWith(u'\\') || !open_)
        return NormalizeKey(key);
    return NormalizeKey(currentPath_ + u'\\' + key);
}

QString TRegistry::Section() const
{
    return SectionName(RootKey, currentPath_);
}

bool TRegistry::KeyExists(const QString& key) const
{
    const QString section = SectionName(RootKey, AbsoluteKey(key));
    if (created_.contains(section, Qt::CaseInsensitive))
        return true;
    TStringList sections;
    Store().ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const QString& s = sections[i];
        if (s.compare(section, Qt::CaseInsensitive) == 0
            || s.startsWith(section + u'\\', Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool TRegistry::OpenKey(const QString& key, bool canCreate)
{
    const QString abs = AbsoluteKey(key);
    if (!KeyExists(QStringLiteral("\\") + abs)) {
        if (!canCreate)
            return false;
        created_ << SectionName(RootKey, abs);
    }
    currentPath_ = abs;
    open_ = true;
    readOnly_ = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& key)
{
    if (!OpenKey(key, false))
        return false;
    readOnly_ = true;
    return true;
}

void TRegistry::CloseKey()
{
    open_ = false;
    readOnly_ = false;
    currentPath_.clear();
}

bool TRegistry::DeleteKey(const QString& key)
{
    const QString section = SectionName(RootKey, AbsoluteKey(key));
    TStringList sections;
    Store().ReadSections(sections);
    bool found = false;
    try {
        for (int i = 0; i < sections.Count(); ++i) {
            const QString& s = sections[i];
            if (s.compare(section, Qt::CaseInsensitive) == 0
                || s.startsWith(section + u'\\', Qt::CaseInsensitive)) {
                Store().EraseSection(s);
                found = true;
            }
        }
    } catch (const Exception& e) {
        throw ERegistryException(e.Message);
    }
    created_.removeAll(section);
    return found;
}

bool TRegistry::ValueExists(const QString& name) const
{
    return open_ && Store().ValueExists(Section(), ValueName(name));
}

QString TRegistry::ReadString(const QString& name) const
{
    if (!open_)
        return QString();
    return Store().ReadString(Section(), ValueName(name), QString());
}

int TRegistry::ReadInteger(const QString& name) const
{
    int v;
    if (!ValueExists(name) || !TryStrToInt(ReadString(name), v))
        throw ERegistryException(QStringLiteral("Ungültiger Datentyp für '%1'").arg(name));
    return v;
}

bool TRegistry::ReadBool(const QString& name) const
{
    return ReadInteger(name) != 0;
}

void TRegistry::WriteString(const QString& name, const QString& value)
{
    if (!open_ || readOnly_)
        throw ERegistryException(
            QStringLiteral("Fehler beim Setzen der Daten für '%1': kein Schlüssel zum Schreiben geöffnet").arg(name));
    try {
        Store().WriteString(Section(), ValueName(name), value);
    } catch (const Exception& e) {
        throw ERegistryException(QStringLiteral("Fehler beim Setzen der Daten für '%1': %2").arg(name, e.Message));
    }
    created_.removeAll(Section());
}

void TRegistry::WriteInteger(const QString& name, int value)
{
    WriteString(name, IntToStr(value));
}

void TRegistry::WriteBool(const QString& name, bool value)
{
    WriteString(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TRegistry::DeleteValue(const QString& name)
{
    if (!ValueExists(name) || readOnly_)
        return false;
    try {
        Store().DeleteKey(Section(), ValueName(name));
    } catch (const Exception& e) {
        throw ERegistryException(e.Message);
    }
    return true;
}

void TRegistry::GetValueNames(TStringList& names) const
{
    names.Clear();
    if (!open_)
        return;
    TStringList keys;
    Store().ReadSection(Section(), keys);
    for (int i = 0; i < keys.Count(); ++i)
        names.Add(keys[i] == u"@" ? QString() : keys[i]);
}

void TRegistry::GetKeyNames(TStringList& names) const
{
    names.Clear();
    const QString prefix = Section() + u'\\';
    TStringList sections;
    Store().ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const QString& s = sections[i];
        if (!s.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString child = s.mid(prefix.size()).section(u'\\', 0, 0);
        if (!child.isEmpty() && names.IndexOf(child) < 0)
            names.Add(child);
    }
}
