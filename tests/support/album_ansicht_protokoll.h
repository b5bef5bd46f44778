#pragma once
// A recording stand-in for the album views of the command groups' tests:
// each call by name in Aufrufe (with its text where it has one), the status
// texts and the quick-search bar's state in fields a test can read and set.

#include "album/album_ansicht.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

class TAlbumAnsichtProtokoll : public TAlbumAnsicht {
public:
    QStringList Aufrufe;
    QString Sortierung, Filter, Text, AlbumName;
    std::vector<uint32_t> GezeigteAnzahlen;
    std::map<TSuchKnopf, bool> Aktiv;
    std::map<TSuchKnopf, QString> Beschriftung{{TSuchKnopf::Naechster, "Nächster - F3"},
                                               {TSuchKnopf::Filter, "Filter - F5"}};
    // Runs at each move of the gauge (as a message loop would run a click).
    std::function<void()> BeiFortschritt;

    bool Gerufen(const QString& name) const { return Aufrufe.contains(name); }

    void GridSeiteZeigen() override { Aufrufe << "GridSeiteZeigen"; }
    void EinzelsatzVerbergen() override { Aufrufe << "EinzelsatzVerbergen"; }
    void EinzelsatzWiederherstellen() override { Aufrufe << "EinzelsatzWiederherstellen"; }
    void Fortschritt(int, int) override
    {
        Aufrufe << "Fortschritt";
        if (BeiFortschritt)
            BeiFortschritt();
    }
    void FortschrittVerbergen() override { Aufrufe << "FortschrittVerbergen"; }
    void SatzAnzahlZeigen() override { Aufrufe << "SatzAnzahlZeigen"; }
    void VorschaubildZeigen() override { Aufrufe << "VorschaubildZeigen"; }
    void VorschaubilderVeraltet() override { Aufrufe << "VorschaubilderVeraltet"; }
    void GridVerbergen() override { Aufrufe << "GridVerbergen"; }
    void GridZeigen() override { Aufrufe << "GridZeigen"; }
    void SatzAnzahlTextZeigen(const QString& text) override { Aufrufe << "SatzAnzahlText " + text; }
    void GridFokussieren() override { Aufrufe << "GridFokussieren"; }
    QString GridFeld() const override { return QString(); }
    void GezeigteAnzahlZeigen(uint32_t gezeigt) override { GezeigteAnzahlen.push_back(gezeigt); }
    void VorschauseiteAuffrischen() override { Aufrufe << "VorschauseiteAuffrischen"; }
    void SortierungZeigen(const QString& text) override { Sortierung = text; }
    void FilterZeigen(const QString& text) override { Filter = text; }
    QString Suchtext() const override { return Text; }
    void SuchtextSetzen(const QString& text) override { Text = text; }
    bool SuchKnopfAktiv(TSuchKnopf knopf) const override { return Aktiv.count(knopf) && Aktiv.at(knopf); }
    void SuchKnopfAktivieren(TSuchKnopf knopf, bool aktiv) override { Aktiv[knopf] = aktiv; }
    QString SuchKnopfText(TSuchKnopf knopf) const override { return Beschriftung.at(knopf); }
    void SuchKnopfTextSetzen(TSuchKnopf knopf, const QString& text) override { Beschriftung[knopf] = text; }
    void SuchFortschrittBeginnen(int) override { Aufrufe << "SuchFortschrittBeginnen"; }
    void SuchFortschritt(int) override {}
    void SuchFortschrittVerbergen() override { Aufrufe << "SuchFortschrittVerbergen"; }
    void Fortschritt2Verbergen() override { Aufrufe << "Fortschritt2Verbergen"; }
    void AnsichtenNachAlbumwechsel() override { Aufrufe << "AnsichtenNachAlbumwechsel"; }
    void AlbumNameZeigen(const QString& dbf) override
    {
        AlbumName = dbf;
        Aufrufe << "AlbumNameZeigen " + dbf;
    }
    void GridLayoutSichern() override { Aufrufe << "GridLayoutSichern"; }
    void GridLayoutZuruecklesen() override { Aufrufe << "GridLayoutZuruecklesen"; }
    void AlbumGeoeffnet(const QString& tabelle) override { Aufrufe << "AlbumGeoeffnet " + tabelle; }
};
