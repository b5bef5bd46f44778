#include "album/pick_list.h"

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"
#include "platform/core/win1252.h"
#include "platform/dbf/dbe.h"
#include "storage/dbf_routines.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace {

// The smallest key text above every key that starts with `schluessel` (a
// whole key, blank-padded to the key length) under the album's sort
// weights: the last byte that has a heavier byte gets the next heavier one,
// the rest is cut off. False when no key can follow.
bool HinterDemSchluessel(QByteArray& schluessel)
{
    const std::array<unsigned char, 256>& gewicht = Sortiertabelle();
    std::array<char, 256> zeichenMitGewicht{};
    for (int c = 0; c < 256; ++c)
        zeichenMitGewicht[gewicht[size_t(c)]] = char(c);
    for (qsizetype i = schluessel.size() - 1; i >= 0; --i) {
        const unsigned char g = gewicht[uint8_t(schluessel[i])];
        if (g < 255) {
            schluessel[i] = zeichenMitGewicht[size_t(g) + 1];
            schluessel.truncate(i + 1);
            return true;
        }
    }
    return false;
}

// Selects a work area for the lifetime of the object.
class TBereichGewaehlt {
public:
    explicit TBereichGewaehlt(uint16_t area) : vorher_(dbe_Select(area)) {}
    ~TBereichGewaehlt() { dbe_Select(vorher_); }

private:
    uint16_t vorher_;
};

}  // namespace

bool PicklisteUeberTag(uint16_t area, const QString& feld, TStringList& liste)
{
    if (area == 0)
        return false;
    TBereichGewaehlt gewaehlt(area);
    const QByteArray name = feld.toUpper().toLatin1();
    const int ordnung = dbe_TagArea(name.constData());
    if (ordnung <= 0 || dbe_FieldType(name.constData()) != 'C')
        return false;
    // Keys that are the value itself or its case-folded form: the entries of
    // one key hold values equal but for case, which the list counts as one.
    const QByteArray schluesselAusdruck = QByteArray(dbe_IndexKey(ordnung)).toUpper();
    if (schluesselAusdruck != name && schluesselAusdruck != "LOWER(" + name + ")" &&
        schluesselAusdruck != "UPPER(" + name + ")")
        return false;
    const qsizetype breite = dbe_FieldWidth(name.constData());

    const uint32_t satz = dbe_RecNo();
    const int ordnungVorher = dbe_SetOrder(ordnung);
    const intptr_t softVorher = dbe_SysProp(DBE_PROP_SET_SOFTSEEK, 1);
    const intptr_t exactVorher = dbe_SysProp(DBE_PROP_SET_EXACT, 0);

    // The first entry of a key is its lowest record number: the tag keeps
    // equal keys in record order.
    std::vector<std::pair<uint32_t, QString>> ersteEintraege;
    // A move that fails (another program holds the index) leaves the area
    // where it stood: the walk ends there with the engine's error, it would
    // never get on.
    std::optional<QString> fehler;
    const auto fehlgeschlagen = [&fehler](bool ok) {
        if (!ok)
            fehler = QString::fromUtf8(dbe_LastError());
        return !ok;
    };
    for (bool ok = !fehlgeschlagen(dbe_GoTop() == 1); ok && !dbe_Eof();) {
        QString wert = Win1252Decode(QByteArrayView(dbe_GetTrimString(name.constData())));
        if (!wert.isEmpty())
            ersteEintraege.emplace_back(dbe_RecNo(), std::move(wert));
        const QByteArray bisher(dbe_KeyData());
        QByteArray schluessel = bisher;
        if (schluessel.size() < breite)
            schluessel.append(breite - schluessel.size(), ' ');
        if (!HinterDemSchluessel(schluessel))
            break;
        dbe_Seek(schluessel.constData());  // soft: the first entry of the next key
        if (fehlgeschlagen(dbe_LastErrorCode() == DBE_ERR_NONE))
            break;
        // Under sort weights other than the album's the seek may stay on
        // the key: then the entries are stepped over one by one.
        while (ok && !dbe_Eof() && bisher == dbe_KeyData())
            ok = !fehlgeschlagen(dbe_Skip(1) == 1);
    }

    dbe_SysProp(DBE_PROP_SET_EXACT, exactVorher);
    dbe_SysProp(DBE_PROP_SET_SOFTSEEK, softVorher);
    dbe_SetOrder(ordnungVorher);
    dbe_Go(satz);
    if (fehler)
        throw Exception(*fehler);

    // Added in record order, so that of values equal but for case the list
    // keeps the one a walk in record order meets first.
    std::sort(ersteEintraege.begin(), ersteEintraege.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [nr, wert] : ersteEintraege)
        liste.Add(wert);
    return true;
}
