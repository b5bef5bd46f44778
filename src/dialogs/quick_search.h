#pragma once
// "Schnelle Suche Dialog" (TSuchenForm3): finds an entry of the open album
// by a value of the field the main window names, by an index seek or by a
// locate over all records, optionally while the user types. The main
// window sets the table and field names (process-wide) before it shows the
// dialog and hands it the album through TSchnellsucheHauptfenster.

#include "platform/ui/forms.h"

#include <QString>

class TBitBtn;
class TCheckBox;
class TDataSource;
class TDbe;
class TDbeEnv;
class TEdit;
class TLabel;
class TPanel;
class TQKAnimate;
class TdkLocateDialog;

// What the quick search uses of the main window.
class TSchnellsucheHauptfenster {
public:
    virtual ~TSchnellsucheHauptfenster() = default;
    // The open album's engine companion (its data source is the album's).
    virtual TDbe* SuchAlbum() = 0;
    // The engine-wide settings (soft seek).
    virtual TDbeEnv* SuchUmgebung() = 0;
};

// The table searched ("TABLEBILDER" is the only one searched) and the
// field, which is also the key expression of the index tag looked for.
QString& SuchTabellenName();
QString& SuchFeldName();
// The last text a seek found (at most 30 characters), kept for the run.
QString& LetzterGefundenerSuchText();

class TSuchenForm3 : public TForm {
public:
    TSuchenForm3(TComponent* AOwner, TSchnellsucheHauptfenster& haupt);

    TLabel* Label1;
    TPanel* Panel50;
    TLabel* Label2;
    TEdit* Edit2;
    TQKAnimate* QKAnimate1;
    TCheckBox* CheckBoxSchrittweiseSuchen;
    TBitBtn* BitBtnClose;
    TdkLocateDialog* dkLocateDialog1;

    void FormActivate();
    void FormClose();
    void Edit2Change();
    void Edit2KeyPress(QChar& Key);
    void BitBtnCloseClick();
    void CheckBoxSchrittweiseSuchenMouseDown();
    // Seeks the edit's text in the field's tag; false when not found (the
    // edit then shows the last found text again).
    bool SucheSatzPerSeek();
    void SucheSatzPerLocate();

private:
    bool Durchsuchbar() const;
    bool HatIndex() const;
    TSchnellsucheHauptfenster& haupt_;
    bool seeking_ = false;
};
