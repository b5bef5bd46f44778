#pragma once
// The open album without a main window: the five work areas over real
// tables, engine companions and full-text indexes, the engine settings, the
// program's services recorded (with a real ini file in the test's folder)
// and the window's choices recorded, and the real TOffenesAlbum over them.
// The command groups' tests build their objects over it, so a reopen or a
// copy into a target album runs the real lifecycle.

#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include "datagrid/dk_data_source.h"
#include "datagrid/dk_table.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "shared/qk_ini.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"
#include "storage/tfts.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>

// The program's services as a test sees them: each call recorded in Aufrufe
// ("art: text", "caption: text", "Ton n", ...), the run a real one (its
// program folder the test's folder, past its first start), the ini a real
// file.
class TDiensteProtokoll : public TProgrammDienste {
public:
    explicit TDiensteProtokoll(const std::filesystem::path& ordner)
        : programmPfad(*LinuxToWin(QString::fromStdString(ordner.string())) + "\\"), tempOrdner(programmPfad),
          ini_(new TQKINI(nullptr))
    {
        ini_->SetINIFileName(programmPfad + "Lumadex.INI");
        lauf_.ProgrammPfadSetzen(programmPfad);
        lauf_.ErstStartSetzen(false);
    }
    void Protokoll(const QString& art, const QString& text) override { Aufrufe << art + ": " + text; }
    void Hinweis(const QString& caption, const QString& text, int) override
    {
        Aufrufe << caption + ": " + text;
        Hinweise << text;
    }
    void TonSpielen(long nummer) override { Aufrufe << "Ton " + QString::number(nummer); }
    void WavSpielen(const QString& datei) override { Aufrufe << "Wav " + datei; }
    void FehlerKontextSetzen() override { Aufrufe << "FehlerKontext"; }
    void FehlerKontextText(const QString& text) override { Aufrufe << "FehlerKontext " + text; }
    TQKINI& Ini() override { return *ini_; }
    QString TempOrdner() const override { return tempOrdner; }
    TMenuItem* Menuepunkt(const QString&) override { return nullptr; }
    TProgrammLauf& Lauf() override { return lauf_; }
    const TProgrammLauf& Lauf() const override { return lauf_; }

    bool Gerufen(const QString& teil) const
    {
        for (const QString& a : Aufrufe)
            if (a.contains(teil))
                return true;
        return false;
    }

    QStringList Aufrufe;
    QStringList Hinweise;  // the texts of the timed notices
    // The program folder (the test's folder) and the temporary folder (the
    // same unless a test sets another), both ending with "\\".
    QString programmPfad;
    QString tempOrdner;

private:
    TProgrammLauf lauf_;
    std::unique_ptr<TQKINI> ini_;
};

// The window's choices of the lifecycle, recorded; the manager table in
// `managerOrdner`, no manager dialog unless one is set.
class TAlbumUmgebungProtokoll : public TOffenesAlbumUmgebung {
public:
    bool AlleMeldungen() const override { return alleMeldungen; }
    QString ManagerOrdner() const override { return managerOrdner; }
    void ManagerOrdnerSetzen(const QString& ordner) override { managerOrdner = ordner; }
    bool ManagerTabelleWaehlen(const QString&, const QString&, QString&) override
    {
        Aufrufe << "ManagerTabelleWaehlen";
        return false;
    }
    TAlbumManagerDialog* AlbumManager() override { return manager; }
    void AnderesAlbumWaehlen() override { Aufrufe << "AnderesAlbumWaehlen"; }
    void PicklistenUebernehmen(bool nurWennKeinCD) override
    {
        Aufrufe << (nurWennKeinCD ? "PicklistenUebernehmen ohne CD" : "PicklistenUebernehmen");
    }
    void PicklistenNeuLesen() override { Aufrufe << "PicklistenNeuLesen"; }
    void AlbumGewechselt() override { Aufrufe << "AlbumGewechselt"; }
    void VolltextNeu() override { Aufrufe << "VolltextNeu"; }

    bool alleMeldungen = false;
    QString managerOrdner;
    TAlbumManagerDialog* manager = nullptr;
    QStringList Aufrufe;
};

// One work area's components, owned as the form owns them.
// The open album's area has the grid's data source, as in the window.
struct TBereichTeile {
    TBereichTeile(TProgrammDienste& umgebung, bool mitFts, bool gridQuelle = false)
        : quelle(gridQuelle ? new TdkDataSource(&tabelle) : new TDataSource(&tabelle)),
          fts(mitFts ? std::make_unique<TFts>(nullptr) : nullptr),
          bereich(&tabelle, dbe.get(), quelle.get(), fts.get(), umgebung)
    {
        dbe->SetDataSource(quelle.get());
    }
    ~TBereichTeile()
    {
        tabelle.Close();
        if (fts)
            fts->Close();
        dbe->SetDataSource(nullptr);
    }
    TdkTable tabelle;
    std::unique_ptr<TDataSource> quelle;
    std::unique_ptr<TDbe> dbe = std::make_unique<TDbe>(nullptr);
    std::unique_ptr<TFts> fts;
    TArbeitsbereich bereich;
};

// The open album over a test folder: the album TEST.DBF in `ordner`, the
// manager table LXMan.DBF in its subfolder "db".
class TAlbumWerkstatt {
public:
    TAlbumWerkstatt(const std::filesystem::path& ordner, TAlbumAnsicht& ansicht)
        : dienste(ordner), album(bilder.bereich, bilder2.bereich, ziel.bereich, manager.bereich, pruefung.bereich,
                                 &env, ansicht, dienste, umgebung)
    {
        std::filesystem::create_directories(ordner / "db");
        const QString win = *LinuxToWin(QString::fromStdString(ordner.string())) + "\\";
        umgebung.managerOrdner = win + "db\\";
        bilder.bereich.DateienSetzen(TAlbumDateien(win, QStringLiteral("TEST.DBF")));
        bilder.bereich.SortierungSetzen(1);
        manager.bereich.NameSetzen(QStringLiteral("LXMan.DBF"));
    }

    TDiensteProtokoll dienste;
    TAlbumUmgebungProtokoll umgebung;
    TBereichTeile bilder{dienste, true, true};
    TBereichTeile bilder2{dienste, false};
    TBereichTeile ziel{dienste, true};
    TBereichTeile manager{dienste, false};
    TBereichTeile pruefung{dienste, false};
    TDbeEnv env{nullptr};
    TOffenesAlbum album;
};
