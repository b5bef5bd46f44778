#include "album/programm_lauf.h"

void TProgrammLauf::NeuerStart()
{
    abbruch_ = false;
    programmEndet_ = false;
    endeAngefordert_ = false;
    endeNachBefehl_ = false;
    dropUebergabe_ = false;
    anzeigeZeit_ = 4;
    dropListe_.Clear();
}

bool TProgrammLauf::BefehlEndet()
{
    if (laufendeBefehle_ > 0)
        --laufendeBefehle_;
    if (laufendeBefehle_ > 0 || !endeNachBefehl_)
        return false;
    endeNachBefehl_ = false;
    return true;
}

void TProgrammLauf::EndeAnfordern()
{
    endeAngefordert_ = true;
    endeNachBefehl_ = true;
    abbruch_ = true;
}

void TProgrammLauf::DropListeSetzen(const QStringList& dateien)
{
    dropListe_.Clear();
    dropListe_.AddStrings(dateien);
}

void TProgrammLauf::DropUebergeben(const std::function<void()>& hinzufuegen)
{
    // The flag falls back even when the dialog throws, so a later add
    // dialog does not take a stale list.
    struct TZurueck {
        bool& flag;
        ~TZurueck() { flag = false; }
    } zurueck{dropUebergabe_};
    dropUebergabe_ = true;
    hinzufuegen();
}
