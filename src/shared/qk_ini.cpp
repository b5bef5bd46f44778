#include "shared/qk_ini.h"

#include "platform/core/ini_file.h"
#include "platform/core/string_list.h"
#include "platform/core/win_path.h"
#include "platform/os/folders.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"
#include "shared/utility_graphics.h"

namespace {

const QString kWinPos = QStringLiteral("WinPos");

// A stored window state the form can take; anything else keeps the current one.
TWindowState WindowStateFrom(int value, TWindowState current)
{
    return value >= wsNormal && value <= wsMaximized ? TWindowState(value) : current;
}

}  // namespace

TQKINI::TQKINI(TComponent* AOwner)
    : TComponent(AOwner), ownerForm_(dynamic_cast<TCustomForm*>(AOwner))
{
    SetINIFileName(QStringLiteral("Default.INI"));
}

TQKINI::~TQKINI() = default;

TMemIniFile& TQKINI::Datei()
{
    // A changed file is read by a new object, so the path is resolved again
    // too (a folder made or renamed since may change where it leads). While
    // an update holds changes, they are what the reads see.
    if (!datei_ || datei_->FileName() != iniPath_ || (offen_.empty() && datei_->ChangedOnDisk()))
        datei_ = std::make_unique<TMemIniFile>(iniPath_);
    return *datei_;
}

template <typename Change>
void TQKINI::Aendern(Change&& change)
{
    try {
        TMemIniFile& ini = Datei();
        change(ini);
        if (updateCount_ > 0)
            offen_.emplace_back(std::forward<Change>(change));
        else
            ini.UpdateFile();
    } catch (...) {
        if (updateCount_ == 0)
            datei_.reset();
        throw;
    }
}

void TQKINI::EndUpdate()
{
    if (updateCount_ == 0 || --updateCount_ > 0)
        return;
    const auto offen = std::move(offen_);
    offen_.clear();
    if (offen.empty())
        return;
    try {
        if (!datei_ || datei_->ChangedOnDisk()) {
            datei_ = std::make_unique<TMemIniFile>(iniPath_);
            for (const auto& change : offen)
                change(*datei_);
        }
        datei_->UpdateFile();
    } catch (...) {
        datei_.reset();
        throw;
    }
}

void TQKINI::CancelUpdate()
{
    updateCount_ = 0;
    offen_.clear();
    datei_.reset();
}

void TQKINI::SetCaption(const QString& value)
{
    caption_ = value.isEmpty() ? Name : value;
}

void TQKINI::SetINIFileName(const QString& value)
{
    const QString name = value.isEmpty() ? QStringLiteral("Default.INI") : value;
    iniFileName_ = name;
    // A bare name lands beside the program, never in the Windows folder where
    // the ini layer would look for it. A Linux path ("/...") is a full path too.
    if (name.contains(u'\\') || name.startsWith(u'/'))
        iniPath_ = name;
    else
        iniPath_ = ProgramFolder() + ExtractFileName(name);
}

void TQKINI::CaptionFromName()
{
    if (caption_.isEmpty())
        caption_ = Name;
}

void TQKINI::ReadINI()
{
    CaptionFromName();
    if (OnReadINI)
        OnReadINI(this);
    INILoadWinPos(caption_, ownerForm_, SaveWinPos);
}

void TQKINI::WriteINI()
{
    CaptionFromName();
    // The window position goes to the file before the form's own keys.
    INISaveWinPos(caption_, ownerForm_, SaveWinPos);
    if (OnWriteINI)
        OnWriteINI(this);
}

void TQKINI::KillSection(const QString& section)
{
    Aendern([section](TMemIniFile& ini) { ini.EraseSection(section); });
}

void TQKINI::INIWriteBool(const QString& section, const QString& key, bool value)
{
    Aendern([section, key, value](TMemIniFile& ini) { ini.WriteBool(section, key, value); });
}

bool TQKINI::INIReadBool(const QString& section, const QString& key, bool def)
{
    // Writes of other components and programs since the last call are seen:
    // a changed file is read again.
    return Datei().ReadBool(section, key, def);
}

void TQKINI::INIWriteInteger(const QString& section, const QString& key, int value)
{
    Aendern([section, key, value](TMemIniFile& ini) { ini.WriteInteger(section, key, value); });
}

int TQKINI::INIReadInteger(const QString& section, const QString& key, int def)
{
    return Datei().ReadInteger(section, key, def);
}

void TQKINI::INIWriteString(const QString& section, const QString& key, const QString& value)
{
    Aendern([section, key, value](TMemIniFile& ini) { ini.WriteString(section, key, value); });
}

QString TQKINI::INIReadString(const QString& section, const QString& key, const QString& def)
{
    return Datei().ReadString(section, key, def);
}

void TQKINI::INIReadItems(const QString& section, TStringList* items)
{
    const TMemIniFile& ini = Datei();
    items->BeginUpdate();
    items->Clear();
    const int count = ini.ReadInteger(section, QStringLiteral("Anzahl"), 0);
    for (int i = 0; i <= count && i >= 0; ++i)
        items->Add(ini.ReadString(section, QString::number(i), QStringLiteral("Leer")));
    items->EndUpdate();
}

void TQKINI::INIReadSection(const QString& section, TStringList* keys)
{
    Datei().ReadSection(section, *keys);
}

void TQKINI::INIReadSectionValues(const QString& section, TStringList* values)
{
    Datei().ReadSectionValues(section, *values);
}

void TQKINI::INIReadRealSectionValues(const QString& section, TStringList* values)
{
    INIReadSectionValues(section, values);
    for (int i = 0; i < values->Count(); ++i) {
        const QString& line = values->Strings(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0)
            values->SetStrings(i, line.mid(eq + 1));
    }
}

void TQKINI::INISaveWinPos(const QString& caption, TCustomForm* form, TWinPosStyle style)
{
    if (!form)
        return;
    // The values as they are now (an open update may make the change again
    // on the file at its end).
    const int state = int(form->WindowState());
    const bool lastRes = SaveLastRes;
    const int res = Screen->Width();
    // A minimised or maximised form keeps the bounds it had when last normal.
    const bool bounds = form->WindowState() == wsNormal && style != swpNone;
    const bool size = style == swpSizePosition;
    const TRect r = Bounds(form->Left(), form->Top(), form->Width(), form->Height());
    Aendern([=](TMemIniFile& ini) {
        ini.WriteInteger(kWinPos, caption + QStringLiteral("_WindowState"), state);
        if (lastRes)
            ini.WriteInteger(kWinPos, caption + QStringLiteral("_LastRes"), res);
        if (bounds) {
            ini.WriteInteger(kWinPos, caption + QStringLiteral("_Top"), r.Top);
            ini.WriteInteger(kWinPos, caption + QStringLiteral("_Left"), r.Left);
            if (size) {
                ini.WriteInteger(kWinPos, caption + QStringLiteral("_Height"), r.Height());
                ini.WriteInteger(kWinPos, caption + QStringLiteral("_Width"), r.Width());
            }
        }
    });
}

void TQKINI::INILoadWinPos(const QString& caption, TCustomForm* form, TWinPosStyle style)
{
    if (style == swpNone || !form)
        return;
    const TMemIniFile& ini = Datei();
    const QString stateKey = caption + QStringLiteral("_WindowState");
    form->SetWindowState(WindowStateFrom(ini.ReadInteger(kWinPos, stateKey, form->WindowState()),
                                         form->WindowState()));
    if (form->WindowState() == wsMaximized)
        return;
    if (SaveLastRes) {
        // Stored at another screen width (or never): centre instead of
        // putting the window where it may not be seen.
        if (ini.ReadInteger(kWinPos, caption + QStringLiteral("_LastRes"), 0) != Screen->Width()) {
            if (form->Position != poScreenCenter)
                form->Position = poScreenCenter;
            return;
        }
    }
    form->SetTop(ini.ReadInteger(kWinPos, caption + QStringLiteral("_Top"), form->Top()));
    form->SetLeft(ini.ReadInteger(kWinPos, caption + QStringLiteral("_Left"), form->Left()));
    if (style == swpSizePosition) {
        form->SetHeight(ini.ReadInteger(kWinPos, caption + QStringLiteral("_Height"), form->Height()));
        form->SetWidth(ini.ReadInteger(kWinPos, caption + QStringLiteral("_Width"), form->Width()));
    }
    form->SetWindowState(WindowStateFrom(ini.ReadInteger(kWinPos, stateKey, form->WindowState()),
                                         form->WindowState()));
}

void TQKINI::INISaveFont(const QString& section, const QString& keyPrefix, const TFont* font)
{
    qktSaveFontToIni(iniPath_, section, keyPrefix, *font);
}

void TQKINI::INILoadFont(const QString& section, const QString& keyPrefix, TFont* font)
{
    const TMemIniFile& ini = Datei();
    font->SetName(ini.ReadString(section, keyPrefix + QStringLiteral("_Name"), font->Name()).left(255));
    font->SetSize(ini.ReadInteger(section, keyPrefix + QStringLiteral("_Size"), font->Size()));
    font->SetColor(ini.ReadInteger(section, keyPrefix + QStringLiteral("_Color"), font->Color()));
    font->SetStyle(FontStylesFromLetters(
        ini.ReadString(section, keyPrefix + QStringLiteral("_Style"), QString())));
}
