#pragma once
// TQKINI: the ini component every form holds. It stores the owner form's
// window position and size (section "WinPos"), typed values, item lists,
// whole sections and fonts in one ini file. The component reads the file
// once and answers reads from memory while the file stays as it was (one
// stat per call: identity, size and times); a file changed by another
// component or program is read again before the next call, so several
// components (one per form) share one file and each read sees what the
// others wrote. Every write goes to the file at once, unless an update is
// open (BeginUpdate/EndUpdate), which writes the file once at its end.
//
// Key scheme:
//   [WinPos]   Caption + "_WindowState" (0 normal, 1 minimised, 2 maximised),
//              "_LastRes" (screen width), "_Top", "_Left", "_Height", "_Width"
//   lists      "Anzahl" = highest index n, items under "0" .. "n"
//   fonts      prefix + "_Name", "_Size", "_Color", "_Style" ("BIUS" letters)

#include <QString>

#include "platform/ui/component.h"
#include "platform/ui/framework_types.h"
#include "shared/utility_strings.h"

#include <functional>
#include <memory>
#include <vector>

class TCustomForm;
class TFont;
class TMemIniFile;
class TStringList;

// The library date text the maker's components publish.
using TQKAboutString = QString;

class TQKINI : public TComponent {
public:
    explicit TQKINI(TComponent* AOwner);
    ~TQKINI() override;

    TQKAboutString About_Quillkit() const { return QStringLiteral("29.07.98"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    // Key prefix of the window-position keys; an empty value is replaced by
    // the component's Name at the time of the assignment.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);

    // The file name as assigned ("Default.INI" for an empty one). A name
    // without "\" lies in the program folder; a path with "\" is used as it
    // stands.
    QString INIFileName() const { return iniFileName_; }
    void SetINIFileName(const QString& value);
    // The file actually used (Windows form).
    QString IniPath() const { return iniPath_; }

    TWinPosStyle SaveWinPos = swpNone;
    // Also store the screen width and centre the form when it changed.
    bool SaveLastRes = false;

    TNotifyEvent OnReadINI;
    TNotifyEvent OnWriteINI;

    // Fires OnReadINI, then restores the owner form's window.
    void ReadINI();
    // Stores the owner form's window, then fires OnWriteINI.
    void WriteINI();

    // Between BeginUpdate and EndUpdate (nested) writes stay in memory, and
    // reads see them; EndUpdate writes the file once (one replacement with
    // one fsync instead of one per key). A file that someone else changed
    // meanwhile is read again at EndUpdate and the same changes are made on
    // it, so nothing of theirs is lost. EndUpdate throws as a write does;
    // CancelUpdate drops the changes of the open update.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void CancelUpdate();

    void KillSection(const QString& section);
    void INIWriteBool(const QString& section, const QString& key, bool value);
    bool INIReadBool(const QString& section, const QString& key, bool def);
    void INIWriteInteger(const QString& section, const QString& key, int value);
    int INIReadInteger(const QString& section, const QString& key, int def);
    void INIWriteString(const QString& section, const QString& key, const QString& value);
    QString INIReadString(const QString& section, const QString& key, const QString& def);

    // Items "0" .. "Anzahl"; a missing item reads "Leer"; "Anzahl" below 0
    // gives an empty list.
    void INIReadItems(const QString& section, TStringList* items);
    // Key names of the section.
    void INIReadSection(const QString& section, TStringList* keys);
    // "key=value" lines of the section.
    void INIReadSectionValues(const QString& section, TStringList* values);
    // The values alone, in file order (each line cut after its first "=").
    void INIReadRealSectionValues(const QString& section, TStringList* values);

    void INISaveWinPos(const QString& caption, TCustomForm* form, TWinPosStyle style);
    void INILoadWinPos(const QString& caption, TCustomForm* form, TWinPosStyle style);

    void INISaveFont(const QString& section, const QString& keyPrefix, const TFont* font);
    void INILoadFont(const QString& section, const QString& keyPrefix, TFont* font);

    TCustomForm* OwnerForm() const { return ownerForm_; }

private:
    void CaptionFromName();
    // The file as it is on disk now: the kept copy, read again when the
    // file changed since.
    TMemIniFile& Datei();
    // Runs a change on the file as it is now and writes it; a change that
    // fails drops the kept copy, so memory never differs from the file.
    template <typename Change>
    void Aendern(Change&& change);

    std::unique_ptr<TMemIniFile> datei_;
    int updateCount_ = 0;
    // The changes of the open update, to be made again on a changed file.
    std::vector<std::function<void(TMemIniFile&)>> offen_;

    QString iniPath_;
    TCustomForm* ownerForm_ = nullptr;
    QString caption_;
    QString iniFileName_;
};
