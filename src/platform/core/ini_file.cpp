#include "platform/core/ini_file.h"

#include "platform/core/drive_map.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"

#include <QFile>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool HasLineBreak(const QString& s)
{
    return s.contains(u'\r') || s.contains(u'\n') || s.contains(QChar(0));
}

}  // namespace

TMemIniFile::TMemIniFile(const QString& fileName) : fileName_(fileName)
{
    if (!fileName.contains(u'\\') && !fileName.contains(u'/') && !fileName.contains(u':'))
        linuxPath_ = WindowsFolderLinuxPath() + u'/' + fileName;
    else
        linuxPath_ = WinToLinux(fileName).value_or(QString());
    LoadFromDisk();
}

TMemIniFile::Stamp TMemIniFile::CurrentStamp() const
{
    Stamp s;
    struct stat st;
    if (linuxPath_.isEmpty())
        return s;
    if (::stat(QFile::encodeName(linuxPath_).constData(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            s.error = errno;
        return s;
    }
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

void TMemIniFile::LoadFromDisk()
{
    lines_.clear();
    dirty_ = false;
    readError_.clear();
    stamp_ = CurrentStamp();
    if (stamp_.error != 0) {
        readError_ = QString::fromLocal8Bit(std::strerror(stamp_.error));
        return;
    }
    if (!stamp_.exists)
        return;
    QFile file(linuxPath_);
    if (!file.open(QIODevice::ReadOnly)) {
        readError_ = file.errorString();
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        readError_ = file.errorString();
        return;
    }
    Parse(bytes);
}

void TMemIniFile::CheckReadable()
{
    if (readError_.isEmpty())
        return;
    if (!dirty_)
        LoadFromDisk();
    if (!readError_.isEmpty())
        throw EIniFileException(QStringLiteral("Die Datei \"%1\" lässt sich nicht lesen (%2); "
                                               "sie wird nicht überschrieben")
                                    .arg(fileName_, readError_));
}

void TMemIniFile::Reload()
{
    LoadFromDisk();
}

void TMemIniFile::Parse(const QByteArray& bytes)
{
    const QString text = DecodeTextFile(bytes);
    QStringList raw = text.split(u'\n');
    if (!raw.isEmpty() && raw.last().isEmpty())
        raw.removeLast();  // the final line end
    bool inSection = false;
    for (QString t : raw) {
        if (t.endsWith(u'\r'))
            t.chop(1);
        Line line;
        line.text = t;
        const QString trimmed = t.trimmed();
        if (trimmed.startsWith(u'[')) {
            qsizetype close = trimmed.indexOf(u']');
            line.kind = 1;
            line.name = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
            inSection = true;
        } else if (inSection && !trimmed.startsWith(u';')) {
            qsizetype eq = t.indexOf(u'=');
            if (eq >= 0 && !t.left(eq).trimmed().isEmpty()) {
                line.kind = 2;
                line.name = t.left(eq).trimmed();
                line.value = t.mid(eq + 1).trimmed();
            }
        }
        lines_ << line;
    }
}

QByteArray TMemIniFile::Serialize() const
{
    QString text;
    for (const Line& l : lines_)
        text += l.text + QStringLiteral("\r\n");
    return Win1252EncodeOrThrow(text);
}

int TMemIniFile::FindSection(const QString& section) const
{
    const QString name = section.trimmed();
    for (int i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == 1 && SameName(lines_[i].name, name))
            return i;
    return -1;
}

int TMemIniFile::FindKey(int sectionLine, const QString& ident) const
{
    const QString name = ident.trimmed();
    for (int i = sectionLine + 1; i < lines_.size() && lines_[i].kind != 1; ++i)
        if (lines_[i].kind == 2 && SameName(lines_[i].name, name))
            return i;
    return -1;
}

QList<int> TMemIniFile::KeyLines(const QString& section) const
{
    QList<int> result;
    const int s = FindSection(section);
    if (s < 0)
        return result;
    QStringList seen;
    for (int i = s + 1; i < lines_.size() && lines_[i].kind != 1; ++i)
        if (lines_[i].kind == 2 && !seen.contains(lines_[i].name, Qt::CaseInsensitive)) {
            seen << lines_[i].name;
            result << i;
        }
    return result;
}

int TMemIniFile::SectionEnd(int sectionLine) const
{
    int end = sectionLine + 1;
    while (end < lines_.size() && lines_[end].kind != 1)
        ++end;
    // New keys go after the last non-blank line of the section.
    while (end > sectionLine + 1 && lines_[end - 1].kind == 0 && lines_[end - 1].text.trimmed().isEmpty())
        --end;
    return end;
}

QString TMemIniFile::ReadString(const QString& section, const QString& ident, const QString& def) const
{
    BeforeAccess();
    int s = FindSection(section);
    if (s < 0)
        return def;
    int k = FindKey(s, ident);
    return k < 0 ? def : lines_[k].value;
}

int TMemIniFile::ReadInteger(const QString& section, const QString& ident, int def) const
{
    return StrToIntDef(ReadString(section, ident, QString()), def);
}

bool TMemIniFile::ReadBool(const QString& section, const QString& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

double TMemIniFile::ReadFloat(const QString& section, const QString& ident, double def) const
{
    const QString s = ReadString(section, ident, QString());
    double v;
    if (TryStrToFloat(s, v))
        return v;
    TFormatSettings dot = FormatSettings();
    dot.DecimalSeparator = u'.';
    return TryStrToFloat(s, v, dot) ? v : def;
}

bool TMemIniFile::SectionExists(const QString& section) const
{
    BeforeAccess();
    return FindSection(section) >= 0;
}

bool TMemIniFile::ValueExists(const QString& section, const QString& ident) const
{
    BeforeAccess();
    int s = FindSection(section);
    return s >= 0 && FindKey(s, ident) >= 0;
}

void TMemIniFile::ReadSection(const QString& section, TStringList& keys) const
{
    BeforeAccess();
    keys.BeginUpdate();
    keys.Clear();
    for (int i : KeyLines(section))
        keys.Add(lines_[i].name);
    keys.EndUpdate();
}

void TMemIniFile::ReadSections(TStringList& sections) const
{
    BeforeAccess();
    sections.BeginUpdate();
    sections.Clear();
    QStringList seen;
    for (const Line& l : lines_)
        if (l.kind == 1 && !seen.contains(l.name, Qt::CaseInsensitive)) {
            seen << l.name;
            sections.Add(l.name);
        }
    sections.EndUpdate();
}

void TMemIniFile::ReadSectionValues(const QString& section, TStringList& values) const
{
    BeforeAccess();
    values.BeginUpdate();
    values.Clear();
    for (int i : KeyLines(section))
        values.Add(lines_[i].name + u'=' + lines_[i].value);
    values.EndUpdate();
}

void TMemIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    const QString& sec = section;
    const QString& key = ident;
    if (sec.isEmpty() || sec != sec.trimmed() || sec.contains(u']') || HasLineBreak(sec))
        throw EIniFileException(QStringLiteral("Ungültiger Abschnittsname \"%1\" für %2")
                                    .arg(section, fileName_));
    if (key.isEmpty() || key != key.trimmed() || key.contains(u'=') || key.startsWith(u'[')
        || key.startsWith(u';') || HasLineBreak(key))
        throw EIniFileException(QStringLiteral("Ungültiger Schlüssel \"%1\" für %2").arg(ident, fileName_));
    if (HasLineBreak(value))
        throw EIniFileException(QStringLiteral("Der Wert für \"%1\" enthält einen Zeilenumbruch (%2)")
                                    .arg(ident, fileName_));
    for (const QString* t : {&sec, &key, &value})
        Win1252EncodeOrThrow(*t);
    BeforeAccess();
    CheckReadable();
    Line kv;
    kv.kind = 2;
    kv.name = key;
    kv.value = value.trimmed();
    kv.text = key + u'=' + value;
    int s = FindSection(sec);
    if (s < 0) {
        if (!lines_.isEmpty() && !lines_.last().text.trimmed().isEmpty())
            lines_ << Line{};
        Line header;
        header.kind = 1;
        header.name = sec;
        header.text = u'[' + sec + u']';
        lines_ << header << kv;
    } else {
        int k = FindKey(s, key);
        if (k >= 0) {
            kv.name = lines_[k].name;  // keep the key's spelling
            kv.text = kv.name + u'=' + value;
            if (lines_[k].text == kv.text)
                return;  // unchanged: no write
            lines_[k] = kv;
        } else {
            lines_.insert(SectionEnd(s), kv);
        }
    }
    Modified();
    AfterChange();
}

void TMemIniFile::WriteInteger(const QString& section, const QString& ident, int value)
{
    WriteString(section, ident, IntToStr(value));
}

void TMemIniFile::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TMemIniFile::WriteFloat(const QString& section, const QString& ident, double value)
{
    WriteString(section, ident, FloatToStr(value));
}

void TMemIniFile::EraseSection(const QString& section)
{
    BeforeAccess();
    CheckReadable();
    bool changed = false;
    for (int s = FindSection(section); s >= 0; s = FindSection(section)) {
        int end = s + 1;
        while (end < lines_.size() && lines_[end].kind != 1)
            ++end;
        lines_.remove(s, end - s);
        changed = true;
    }
    if (changed) {
        Modified();
        AfterChange();
    }
}

void TMemIniFile::DeleteKey(const QString& section, const QString& ident)
{
    BeforeAccess();
    CheckReadable();
    int s = FindSection(section);
    if (s < 0)
        return;
    bool changed = false;
    for (int k = FindKey(s, ident); k >= 0; k = FindKey(s, ident)) {
        lines_.removeAt(k);
        changed = true;
    }
    if (changed) {
        Modified();
        AfterChange();
    }
}

void TMemIniFile::Modified()
{
    dirty_ = true;
}

void TMemIniFile::UpdateFile()
{
    if (!dirty_)
        return;
    CheckReadable();  // changes made over an unreadable file never replace it
    if (linuxPath_.isEmpty())
        throw EIniFileException(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: "
                                               "Laufwerk nicht vorhanden").arg(fileName_));
    try {
        WriteFileAtomic(linuxPath_, Serialize());
    } catch (const Exception& e) {
        throw EIniFileException(e.Message);
    }
    dirty_ = false;
    stamp_ = CurrentStamp();
}

TIniFile::TIniFile(const QString& fileName) : TMemIniFile(fileName) {}

TIniFile::~TIniFile()
{
    try {
        UpdateFile();
    } catch (...) {
        // A destructor must not throw; EndUpdate reports failures.
    }
}

void TIniFile::BeforeAccess() const
{
    // Unsaved writes of an open update are not thrown away; a file that
    // could not be read is tried again.
    if (!dirty_ && (!readError_.isEmpty() || CurrentStamp() != stamp_))
        const_cast<TIniFile*>(this)->LoadFromDisk();
}

void TIniFile::AfterChange()
{
    if (updateCount_ > 0)
        return;
    try {
        UpdateFile();
    } catch (...) {
        LoadFromDisk();  // keep memory equal to the file
        throw;
    }
}

void TIniFile::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        AfterChange();
}
