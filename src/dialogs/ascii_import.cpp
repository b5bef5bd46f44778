#include "dialogs/ascii_import.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "dialogs/ascii_export.h"
#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/data/dataset.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/dialogs.h"
#include "storage/tdbe.h"

namespace {

// Faults named in one message at most; the rest are counted.
constexpr int kGezeigteFehler = 10;

const QString kUnveraendert = QStringLiteral("Das Fotoalbum wurde nicht verändert.");

// The code page fault of the file, "" when it reads as Windows-1252; line
// gets the 1-based line of the first byte at fault.
QString CodePageFehler(const QByteArray& inhalt, int& zeile)
{
    zeile = 1;
    auto zeileVon = [&](qsizetype pos) { return int(inhalt.left(pos).count('\n')) + 1; };
    if (inhalt.startsWith("\xFF\xFE") || inhalt.startsWith("\xFE\xFF"))
        return QStringLiteral("UTF-16");
    if (inhalt.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("UTF-8");
    const qsizetype nul = inhalt.indexOf('\0');
    if (nul >= 0) {
        zeile = zeileVon(nul);
        return QStringLiteral("UTF-16 oder Binärdaten");
    }
    qsizetype ersterHoher = -1;
    for (qsizetype i = 0; i < inhalt.size(); ++i)
        if (uchar(inhalt.at(i)) >= 0x80) {
            ersterHoher = i;
            break;
        }
    if (ersterHoher < 0)
        return {};
    // Text with umlauts that is valid UTF-8 throughout was written in UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString probe = utf8(inhalt);
    if (!utf8.hasError()) {
        zeile = zeileVon(ersterHoher);
        return QStringLiteral("UTF-8");
    }
    for (qsizetype i = ersterHoher; i < inhalt.size(); ++i) {
        const uchar c = uchar(inhalt.at(i));
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
            zeile = zeileVon(i);
            return QStringLiteral("unbekannt");
        }
    }
    return {};
}

bool IstZahl(const QByteArray& text, int breite)
{
    QByteArray t = text.trimmed();
    if (t.isEmpty())
        return true;
    t.replace(',', '.');
    bool ok = false;
    t.toDouble(&ok);
    if (!ok)
        return false;
    for (char c : t)
        if (!(c == '.' || c == '-' || c == '+' || (c >= '0' && c <= '9')))
            return false;
    const qsizetype punkt = t.indexOf('.');
    return (punkt < 0 ? t.size() : punkt) <= breite;
}

// The date text as "yyyymmdd" ("" for an empty date); null when it is none.
std::optional<QByteArray> DatumText(const QByteArray& text)
{
    const QByteArray t = text.trimmed();
    if (t.isEmpty())
        return QByteArray();
    QDate d = QDate::fromString(QString::fromLatin1(t), QStringLiteral("yyyyMMdd"));
    if (!d.isValid())
        d = QDate::fromString(QString::fromLatin1(t), QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        return std::nullopt;
    return d.toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

}  // namespace

bool TBilderAsciiImport::ZeileTeilen(const QByteArray& zeile, std::vector<QByteArray>& teile)
{
    teile.clear();
    if (!zeile.endsWith(';'))
        return false;
    for (char c : zeile)
        if (uchar(c) < 0x20 && c != '\t')
            return false;
    qsizetype start = 0;
    while (start < zeile.size()) {
        // A value in double quotes (the export's form of a value holding
        // ";"): doubled quotes stand for one, the closing quote is followed
        // by the separator.
        if (zeile.at(start) == '"') {
            QByteArray wert;
            qsizetype i = start + 1;
            bool geschlossen = false;
            while (i < zeile.size()) {
                if (zeile.at(i) == '"') {
                    if (i + 1 < zeile.size() && zeile.at(i + 1) == '"') {
                        wert += '"';
                        i += 2;
                        continue;
                    }
                    geschlossen = i + 1 < zeile.size() && zeile.at(i + 1) == ';';
                    break;
                }
                wert += zeile.at(i++);
            }
            if (geschlossen) {
                teile.push_back(wert);
                start = i + 2;
                continue;
            }
        }
        const qsizetype ende = zeile.indexOf(';', start);
        teile.push_back(zeile.mid(start, ende - start));
        start = ende + 1;
    }
    return true;
}

QString TBilderAsciiImport::WertFehler(const TFeld& f, const QByteArray& wert) const
{
    switch (f.Typ) {
    case 'C':
        if (wert.size() > f.Breite)
            return QStringLiteral("Text länger als %1 Zeichen").arg(f.Breite);
        return {};
    case 'N':
    case 'F':
        return IstZahl(wert, f.Breite) ? QString() : QStringLiteral("keine Zahl, die in %1 Stellen passt").arg(f.Breite);
    case 'D':
        return DatumText(wert) ? QString() : QStringLiteral("kein Datum");
    case 'L': {
        const QByteArray t = wert.trimmed().toUpper();
        if (t.isEmpty() || t == "T" || t == "F" || t == "Y" || t == "N" || t == "?" || t == ".T." || t == ".F.")
            return {};
        return QStringLiteral("kein Wahrheitswert (T oder F)");
    }
    default:
        return {};
    }
}

bool TBilderAsciiImport::Pruefen(const QByteArray& inhalt, std::vector<std::vector<QByteArray>>& zeilen)
{
    int zeile = 0;
    const QString codePage = CodePageFehler(inhalt, zeile);
    if (!codePage.isEmpty()) {
        fehler_ << QStringLiteral("Zeile %1: die Datei ist nicht im Zeichensatz Windows-1252 geschrieben (%2).")
                       .arg(zeile)
                       .arg(codePage);
        return false;
    }
    QList<QByteArray> roh = inhalt.split('\n');
    if (!roh.isEmpty() && roh.last().isEmpty())
        roh.removeLast();  // the line end of the last line
    for (int n = 0; n < roh.size(); ++n) {
        if (Fortschritt)
            Fortschritt(n + 1);
        if (Abbruch && Abbruch())
            return false;
        QByteArray z = roh.at(n);
        if (z.endsWith('\r'))
            z.chop(1);
        std::vector<QByteArray> teile;
        if (!ZeileTeilen(z, teile)) {
            fehler_ << QStringLiteral("Zeile %1: keine Datenzeile (jedes Feld endet mit \";\").").arg(n + 1);
            continue;
        }
        if (int(teile.size()) != int(felder_.size())) {
            fehler_ << QStringLiteral("Zeile %1: %2 Felder statt %3.").arg(n + 1).arg(teile.size()).arg(felder_.size());
            continue;
        }
        for (size_t i = 0; i < felder_.size(); ++i) {
            const QString grund = WertFehler(felder_[i], teile[i]);
            if (!grund.isEmpty())
                fehler_ << QStringLiteral("Zeile %1, Feld %2: \"%3\" ist %4.")
                               .arg(n + 1)
                               .arg(felder_[i].Name, Win1252Decode(teile[i]), grund);
        }
        zeilen.push_back(std::move(teile));
    }
    return fehler_.isEmpty();
}

int TBilderAsciiImport::Ausfuehren(const QString& datei)
{
    fehler_.clear();
    if (Felder.isEmpty())
        Felder = AlbumFeldNamen(dbe_);
    dbe_->SetOrder(0);
    TDataSet* ds = dbe_->DataSet();
    if (ds)
        ds->CheckBrowseMode();

    const uint16_t area = ds ? uint16_t(ds->Handle() & 0xFFFF) : 0;
    const uint16_t vorher = dbe_->SelectArea(area);
    felder_.clear();
    for (const QString& name : Felder) {
        const QByteArray n = Win1252EncodeOrThrow(name);
        const char typ = dbe_FieldType(n.constData());
        if (typ == 0 || typ == ' ') {
            dbe_Select(vorher);
            throw Exception(QStringLiteral("Das Feld ") + name + QStringLiteral(" gibt es im Fotoalbum nicht!"));
        }
        felder_.push_back({name, n, typ, dbe_FieldWidth(n.constData()), dbe_FieldDecimals(n.constData())});
    }
    dbe_Select(vorher);

    const QString linux = WinToLinux(datei).value_or(datei);
    QFile f(linux);
    if (!f.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Fehler beim Lesen von ") + datei + QStringLiteral(": ") + f.errorString());
    const QByteArray inhalt = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Fehler beim Lesen von ") + ordner_ + QStringLiteral("Bilder.TXT"));
    f.close();

    std::vector<std::vector<QByteArray>> zeilen;
    if (!Pruefen(inhalt, zeilen)) {
        if (fehler_.isEmpty()) {
            MessageDlg(QStringLiteral("Datenimport mit ESC abgebrochen !"), mtInformation, {mbOK});
            return 0;
        }
        QStringList gezeigt = fehler_.mid(0, kGezeigteFehler);
        if (fehler_.size() > kGezeigteFehler)
            gezeigt << QStringLiteral("... und %1 weitere Fehler.").arg(fehler_.size() - kGezeigteFehler);
        MessageDlg(QStringLiteral("Die Importdatei ") + datei + QStringLiteral(" kann nicht übernommen werden:\n") +
                       gezeigt.join(u'\n') + u'\n' + kUnveraendert,
                   mtError, {mbOK});
        return 0;
    }
    if (zeilen.empty()) {
        MessageDlg(QStringLiteral("DatenImport abgeschlossen !"), mtWarning, {mbOK});
        return 0;
    }
    if (ds && !ds->CanModify()) {
        MessageDlg(QStringLiteral("Das Fotoalbum ist schreibgeschützt geöffnet, es kann nichts importiert werden!\n") +
                       kUnveraendert,
                   mtError, {mbOK});
        return 0;
    }

    // Where the lines land: from the current record on, past the end appended.
    const uint32_t start = dbe_->RecNo();
    const uint32_t anzahl = dbe_->RecCount();
    const bool aufSatz = start >= 1 && start <= anzahl;
    dbe_->SelectArea(area);
    int ueberschrieben = 0;
    if (aufSatz) {
        dbe_Go(start);
        for (size_t k = 0; k < zeilen.size() && !dbe_Eof(); ++k) {
            ++ueberschrieben;
            dbe_Skip(1);
        }
    }
    dbe_Select(vorher);
    if (ueberschrieben > 0 &&
        MessageDlg(QStringLiteral("Die Importdatei hat %1 Zeilen: %2 Einträge ab Satz Nr. %3 werden überschrieben, "
                                  "%4 werden angefügt. Fortfahren?")
                       .arg(zeilen.size())
                       .arg(ueberschrieben)
                       .arg(start)
                       .arg(int(zeilen.size()) - ueberschrieben),
                   mtConfirmation, {mbYes, mbNo}) != mrYes)
        return 0;

    const QString textOrdner = QFileInfo(linux).absolutePath() + u'/';
    int geschrieben = 0;
    dbe_->SelectArea(area);
    const uint32_t zurueck = dbe_RecNo();
    for (size_t k = 0; k < zeilen.size(); ++k) {
        if (k == 0 && aufSatz)
            dbe_Go(start);
        else if (k > 0 && !dbe_Eof())
            dbe_Skip(1);
        if (((k == 0 && !aufSatz) || dbe_Eof()) && dbe_AppendBlank() == 0) {
            const QString grund = QString::fromUtf8(dbe_LastError());
            dbe_Commit();
            dbe_Go(zurueck);
            dbe_Select(vorher);
            if (ds)
                ds->Refresh();
            throw EInOutError(QStringLiteral("Fehler beim Anfügen eines Eintrags für Zeile %1: %2").arg(k + 1).arg(grund));
        }
        const std::vector<QByteArray>& teile = zeilen[k];
        QByteArray pfad, kennung;
        for (size_t i = 0; i < felder_.size(); ++i) {
            const TFeld& feld = felder_[i];
            if (feld.Typ == 'M')
                continue;
            if (feld.Name.compare(QStringLiteral("PFAD"), Qt::CaseInsensitive) == 0)
                pfad = teile[i];
            if (feld.Name.compare(QStringLiteral("LABELKENNU"), Qt::CaseInsensitive) == 0)
                kennung = teile[i];
            bool ok;
            if (feld.Typ == 'D') {
                const QByteArray d = *DatumText(teile[i]);
                ok = dbe_Replace(feld.EngineName.constData(), DBE_REPL_DTOS, d.isEmpty() ? " " : d.constData()) != 0;
            } else {
                QByteArray wert = teile[i];
                if (feld.Typ == 'L')
                    wert = wert.trimmed().toUpper().startsWith(".T.") ? "T" : wert.trimmed();
                if (feld.Typ == 'N' || feld.Typ == 'F')
                    wert = wert.trimmed();
                ok = dbe_Replace(feld.EngineName.constData(), DBE_REPL_TEXT, wert.constData()) != 0;
            }
            if (!ok) {
                const QString grund = QString::fromUtf8(dbe_LastError());
                dbe_Commit();
                dbe_Go(zurueck);
                dbe_Select(vorher);
                if (ds)
                    ds->Refresh();
                throw EInOutError(QStringLiteral("Fehler beim Schreiben von Satz Nr. %1 (Zeile %2, Feld %3): %4")
                                      .arg(dbe_RecNo())
                                      .arg(k + 1)
                                      .arg(feld.Name, grund));
            }
        }
        // The note: the export's memo file of this path and medium, else
        // record number + ".MEM"; without either the note stays.
        const bool hatNotiz = std::any_of(felder_.begin(), felder_.end(), [](const TFeld& f) {
            return f.Typ == 'M' && f.Name.compare(QStringLiteral("NOTIZ"), Qt::CaseInsensitive) == 0;
        });
        if (hatNotiz) {
            QStringList kandidaten;
            if (!pfad.isEmpty())
                kandidaten << MemoDateiName(Win1252Decode(pfad), Win1252Decode(kennung));
            kandidaten << QString::number(dbe_RecNo()) + QStringLiteral(".MEM");
            for (const QString& name : kandidaten) {
                QFile mem(textOrdner + name);
                if (mem.open(QIODevice::ReadOnly)) {
                    const QByteArray notiz = mem.readAll();
                    dbe_ReplaceBlob("NOTIZ", notiz.constData(), uint32_t(notiz.size()), 0);
                    break;
                }
            }
        }
        ++geschrieben;
    }
    dbe_Commit();
    dbe_Go(zurueck >= 1 && zurueck <= dbe_RecCount() ? zurueck : 1);
    dbe_Select(vorher);
    if (ds)
        ds->Refresh();
    MessageDlg(QStringLiteral("DatenImport abgeschlossen !"), mtWarning, {mbOK});
    return geschrieben;
}
