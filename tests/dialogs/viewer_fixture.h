#pragma once
// The full-size viewer over an album made through the engine: a host that
// stands for the main window and records what the viewer asks of it, a
// prompt service that answers every message and notes its text, and albums
// of generated pictures with their sizes, access flags and FLAGS.

#include "album_fixture.h"

#include "dialogs/full_size_form.h"
#include "platform/ui/prompt_service.h"
#include "shared/nachrichten_dialog.h"

#include <QFileInfo>

#include <memory>

// Answers every prompt with OK (input boxes with `Eingabe`) and records the
// texts, the timed notices' texts included.
class TAlleBestaetigen : public TPromptService {
public:
    TAlleBestaetigen() { vorher_ = SetPromptService(this); }
    ~TAlleBestaetigen() override { SetPromptService(vorher_); }
    int Show(const TPrompt& p, QString* value) override
    {
        Texte << p.Text;
        if (p.Kind == TPromptKind::Input) {
            if (value)
                *value = Eingabe;
            return mrOk;
        }
        return p.Kind == TPromptKind::Box ? 1 : int(mrOk);
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (auto* m = dynamic_cast<TMSGDLGForm*>(&form))
            Texte << m->Label1->Caption();
        return mrOk;
    }
    bool Enthaelt(const QString& teil) const
    {
        for (const QString& t : Texte)
            if (t.contains(teil))
                return true;
        return false;
    }
    QStringList Texte;
    QString Eingabe;

private:
    TPromptService* vorher_;
};

// The main window as the viewer sees it.
class TViewerHost : public TVollbildHauptfenster {
public:
    TDataSet* AlbumTabelle() override { return Tabelle; }
    TDbe* AlbumDbe() override { return Dbe; }
    bool AlbumSchreibgeschuetzt() const override { return Schreibgeschuetzt; }
    QString AlbumOrdner() const override { return Ordner; }
    TVollbildOptionen VollbildOptionen() const override { return Optionen; }
    QString IniDatei() const override { return Ini; }
    bool IstInternesBildFormat(const QString& datei) const override
    {
        static const QStringList intern{"JPG", "JPEG", "BMP", "TIF", "TIFF", "PNG", "GIF", "PCX"};
        return intern.contains(QFileInfo(datei).suffix().toUpper());
    }
    bool ProgrammEndet() const override { return false; }
    bool HinweiseAn() const override { return Hinweise; }
    void HinweiseSetzen(bool an) override { Hinweise = an; }
    void PrgWavSpielen(int nummer) override { Toene.push_back(nummer); }
    void OptionenZeigen() override { ++OptionenGezeigt; }
    void EinzelbildDrucken(const QString& datei) override { Gedruckt << datei; }
    void BildExternBearbeiten(int editor, const QString& datei) override
    {
        Editoren << QString::number(editor) + ":" + datei;
    }
    void VorschaubildDrehen(int grad) override { Drehungen.push_back(grad); }
    void VorschaubildNeuErzeugen(const QString& datei) override { NeueVorschau << datei; }
    void VollbildGeschlossen() override { ++Geschlossen; }
    TColor TextVollbildFarbe() const override { return clWhite; }

    TDataSet* Tabelle = nullptr;
    TDbe* Dbe = nullptr;
    bool Schreibgeschuetzt = false;
    QString Ordner;
    QString Ini;
    TVollbildOptionen Optionen;
    bool Hinweise = true;
    std::vector<int> Toene;
    int OptionenGezeigt = 0;
    QStringList Gedruckt;
    QStringList Editoren;
    std::vector<int> Drehungen;
    QStringList NeueVorschau;
    int Geschlossen = 0;
};

struct TViewerEintrag {
    QString Datei;        // file name in the test folder's "bilder" ("" = given Pfad)
    int Breite = 64, Hoehe = 48;
    bool Zugriff = true;
    QString Flags{};
    QString Pfad{};       // stored path when not made from Datei
    QString Kurz{};
};

class ViewerTest : public AlbumTest {
protected:
    // Draws the pictures (JPEG, PNG, BMP, TIFF by suffix) and makes the
    // album with their Windows paths, sizes and flags; opens it.
    void Album(const std::vector<TViewerEintrag>& eintraege, bool zeichnen = true)
    {
        std::vector<TTestEintrag> e;
        for (const TViewerEintrag& v : eintraege) {
            TTestEintrag t;
            if (!v.Datei.isEmpty()) {
                const QString linux = Linux("bilder") + "/" + v.Datei;
                if (zeichnen)
                    DrawPicture(linux, v.Breite, v.Hoehe);
                t.Pfad = WinDir("bilder") + v.Datei;
            } else {
                t.Pfad = v.Pfad;
            }
            t.Flags = v.Flags;
            t.Kurz = v.Kurz;
            e.push_back(t);
        }
        MakeAlbum("ALBUM.DBF", e);
        const std::string file = (dir / "ALBUM.DBF").string();
        ASSERT_NE(dbe_Use(file.c_str(), "XXXXXXXXXX", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0);
        for (size_t i = 0; i < eintraege.size(); ++i) {
            ASSERT_EQ(dbe_Go(uint32_t(i + 1)), 1);
            const char z = eintraege[i].Zugriff ? 'T' : 'F';
            dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &z);
            const int32_t b = eintraege[i].Breite, h = eintraege[i].Hoehe;
            dbe_Replace("BREITE", DBE_REPL_LONG, &b);
            dbe_Replace("HOEHE", DBE_REPL_LONG, &h);
        }
        dbe_Commit();
        dbe_Close();
        Open(album, "ALBUM.DBF");
        haupt.Tabelle = &album.table;
        haupt.Dbe = &album.dbe;
        haupt.Ordner = WinDir();
        haupt.Ini = *LinuxToWin(Linux("Lumadex.INI"));
    }
    std::unique_ptr<TFullSizeForm> Viewer()
    {
        auto f = std::make_unique<TFullSizeForm>(Application, haupt);
        f->BildLaden();
        f->Show();
        return f;
    }
    QString Feld(const char* name) { return album.dbe.GetTrimString(name); }
    QString Flags() { return album.dbe.GetString("FLAGS"); }
    int Nr() { return int(album.dbe.RecNo()); }

    TAlleBestaetigen antworten;
    TViewerHost haupt;
    TTestAlbum album;
};
