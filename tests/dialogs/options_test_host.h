#pragma once
// A main window for the options dialog's tests: it keeps the ini file in a
// test folder and records what the dialog asks of it.

#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include "dialogs/options_host.h"
#include "dialogs/program_settings.h"
#include "platform/core/string_list.h"
#include "platform/core/win_path.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"

inline QString WinPfad(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }

// Saves a screenshot of a widget under the build folder's screenshots/.
inline QImage Bildschirmfoto(QWidget* w, const QString& name)
{
    const QImage bild = w->grab().toImage();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    bild.save(dir + "/" + name + ".png");
    return bild;
}

class TTestHauptfenster : public TOptionenHauptfenster {
public:
    QString ini;
    QString album;  // folder of the open album
    QString gpr, qul;
    QStringList aufrufe;
    QStringList picklisten[2];
    QString zielOrdner;
    int zielBilder = -1;
    int hintPause = -1, hintHide = -1;
    std::vector<int> toene;
    std::vector<std::pair<int, QString>> schriften;  // index, font name
    TFont textVollbildSchrift;
    TColor textVollbildFarbe = clNone;

    QString IniDatei() const override { return ini; }
    void EinstellungenLesen(TProgrammEinstellungen& e) override
    {
        aufrufe << "Lesen";
        e.Lesen(ini);
    }
    void EinstellungenSchreiben(const TProgrammEinstellungen& e) override
    {
        aufrufe << "Schreiben";
        e.Schreiben(ini);
    }
    void PrgWavSpielen(int nummer, int) override { toene.push_back(nummer); }
    void FeldfarbenSetzen() override { aufrufe << "FeldfarbenSetzen"; }
    void AlbumTabelleAktualisieren() override { aufrufe << "AlbumTabelleAktualisieren"; }
    void HintZeitenSetzen(int p, int h) override
    {
        hintPause = p;
        hintHide = h;
    }
    void OptionenAnwenden() override { aufrufe << "OptionenAnwenden"; }
    QString BilderDBFPfad() const override { return album; }
    QString GruppenListeDatei() const override { return gpr; }
    QString QuellenListeDatei() const override { return qul; }
    void PickListeSetzen(int liste, const QStringList& e) override { picklisten[liste] = e; }
    void ZielverzeichnisSetzen(const QString& ordner, const TStringList* bmp) override
    {
        zielOrdner = ordner;
        zielBilder = bmp ? bmp->Count() : -1;
    }
    void SchriftHolen(int index, TFont& f) override
    {
        f.SetName("Arial");
        f.SetSize(8 + index);
    }
    void SchriftZuweisen(int index, const TFont& f) override { schriften.emplace_back(index, f.Name()); }
    void TextVollbildSetzen(const TFont* f, TColor farbe) override
    {
        if (f)
            textVollbildSchrift.Assign(f);
        if (farbe != clNone)
            textVollbildFarbe = farbe;
    }
    void Hilfe(const QString& thema) override { aufrufe << "Hilfe " + thema; }
};
