#include "dialogs/html_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QTransform>

#include <cmath>
#include <memory>

#include "dialogs/album_dialog_parts.h"
#include "dialogs/ausgabe_datei.h"
#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "shared/general_texts.h"
#include "shared/picture_files.h"
#include "shared/qk_ini.h"
#include "storage/flags_field.h"
#include "storage/tdbe.h"

namespace {

const QString kSektion = QStringLiteral("HTMLExport");
const QString kHinweis = QStringLiteral("Hinweis");
// The web address of the head templates' link line.
const QString kHomepageZeile = QStringLiteral(
    "<h6 align=\"center\"><a href=\"https://www.example.org/\" target=\"_top\">https://www.example.org/</a></h6>");

// Thumbnails made here (entries without one) get this longer side.
constexpr int kVorschauSeite = 150;

// Every page is written in Windows-1252 (SeitenBytes) and says so in its head.
const QString kZeichensatzMeta =
    QStringLiteral("<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">");

// The head template of the overview pages with the page's own encoding
// declared: a declaration the template brings is dropped (it would name
// another encoding than the one the page is written in), and the program's
// goes right after the <head> tag, else after <html>, else first.
QStringList KopfMitZeichensatz(const QStringList& vorlage)
{
    static const QRegularExpression deklaration(QStringLiteral("<meta\\b[^>]*charset[^>]*>"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kopfTag(QStringLiteral("<head\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression htmlTag(QStringLiteral("<html\\b[^>]*>"), QRegularExpression::CaseInsensitiveOption);
    QStringList zeilen;
    for (QString zeile : vorlage) {
        if (zeile.contains(deklaration)) {
            zeile.remove(deklaration);
            if (zeile.trimmed().isEmpty())
                continue;
        }
        zeilen << zeile;
    }
    for (const QRegularExpression* tag : {&kopfTag, &htmlTag}) {
        for (qsizetype i = 0; i < zeilen.size(); ++i) {
            const QRegularExpressionMatch m = tag->match(zeilen[i]);
            if (!m.hasMatch())
                continue;
            // The rest of the line stays after the declaration.
            const QString rest = zeilen[i].mid(m.capturedEnd());
            zeilen[i] = zeilen[i].left(m.capturedEnd());
            zeilen.insert(i + 1, kZeichensatzMeta);
            if (!rest.trimmed().isEmpty())
                zeilen.insert(i + 2, rest);
            return zeilen;
        }
    }
    zeilen.prepend(kZeichensatzMeta);
    return zeilen;
}

// Windows-1252 bytes of a page text; a character the code page cannot hold
// becomes a numeric character reference.
QByteArray SeitenBytes(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (auto b = Win1252EncodeChar(c)) {
            out.append(char(*b));
            continue;
        }
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(c, text.at(++i).unicode());
        out.append("&#" + QByteArray::number(uint(code)) + ';');
    }
    return out;
}

// A file name as a link target: the characters a URL would take for its
// own ('%', '#', '?') percent-encoded, then escaped for the attribute.
QString UrlAttr(const QString& name)
{
    QString s;
    for (QChar c : name) {
        if (c == u'%' || c == u'#' || c == u'?')
            s += u'%' + QString::number(c.unicode(), 16).toUpper();
        else
            s += c;
    }
    return HTMLText(s);
}

// The page of a picture name: its suffix replaced by "htm", lower case.
QString SeitenName(const QString& bild)
{
    const qsizetype punkt = bild.lastIndexOf(u'.');
    return ((punkt < 0 ? bild : bild.left(punkt)) + QStringLiteral(".htm")).toLower();
}

QString Zahl(int n) { return QString::number(n); }

}  // namespace

// ---- Settings ---------------------------------------------------------------

void THTMLExportEinstellungen::Lesen(TQKINI& ini)
{
    const THTMLExportEinstellungen d;
    auto zahl = [&](const QString& key, int def, int lo, int hi) {
        return std::clamp(ini.INIReadInteger(kSektion, key, def), lo, hi);
    };
    Grossanzeigeueberschrift = ini.INIReadString(kSektion, "Grossanzeigeueberschrift", d.Grossanzeigeueberschrift);
    OriginalAuchExportieren = ini.INIReadBool(kSektion, "OriginalAuchExportieren", d.OriginalAuchExportieren);
    UeberschriftenRahmen = zahl("UeberschriftenRahmen", d.UeberschriftenRahmen, 0, 50);
    GrafikRahmen = zahl("GrafikRahmen", d.GrafikRahmen, 0, 50);
    KurzbeschreibungInGrossanzeige =
        ini.INIReadBool(kSektion, "Kurzbeschreibung_in_Grossanzeige", d.KurzbeschreibungInGrossanzeige);
    LangbeschreibungInGrossanzeige =
        ini.INIReadBool(kSektion, "Langbeschreibung_in_Grossanzeige", d.LangbeschreibungInGrossanzeige);
    TabellenRahmen = zahl("TabellenRahmen", d.TabellenRahmen, 0, 50);
    LangbeschreibungInUebersicht =
        ini.INIReadBool(kSektion, "Langbeschreibung_in_Uebersicht", d.LangbeschreibungInUebersicht);
    KurzbeschreibungInUebersicht =
        ini.INIReadBool(kSektion, "Kurzbeschreibung_in_Uebersicht", d.KurzbeschreibungInUebersicht);
    OrgSize = ini.INIReadBool(kSektion, "OrgSize", d.OrgSize);
    Width = ini.INIReadString(kSektion, "Width", d.Width);
    Height = ini.INIReadString(kSektion, "Height", d.Height);
    // The pictures per page come through the up-down control: 0 to 100.
    bool ok = false;
    const int anz = ini.INIReadString(kSektion, "PicAnz", QString::number(d.PicAnz)).trimmed().toInt(&ok);
    PicAnz = ok ? std::clamp(anz, 0, 100) : d.PicAnz;
    KurzbeschreibungInAlt = ini.INIReadBool(kSektion, "Kurzbeschreibung_in_Alt", d.KurzbeschreibungInAlt);
    BildImNeuenFenster = ini.INIReadBool(kSektion, "Bild_im_neuen_Fenster", d.BildImNeuenFenster);
    Target = ini.INIReadString(kSektion, "Target", Target);
    BildInHTMLFormat = ini.INIReadBool(kSektion, "Bild_in_HMTL_Format", d.BildInHTMLFormat);
    HauptbilderSkalieren = ini.INIReadBool(kSektion, "Hauptbilder_skalieren", d.HauptbilderSkalieren);
    HauptbilderBreite = zahl("Hauptbilder_Breite", d.HauptbilderBreite, 140, 10000);
    JPGQualitaet = zahl("JPG_Qualitaet", d.JPGQualitaet, 10, 100);
}

void THTMLExportEinstellungen::Schreiben(TQKINI& ini) const
{
    ini.INIWriteString(kSektion, "Grossanzeigeueberschrift", Grossanzeigeueberschrift);
    ini.INIWriteBool(kSektion, "OriginalAuchExportieren", OriginalAuchExportieren);
    ini.INIWriteInteger(kSektion, "UeberschriftenRahmen", UeberschriftenRahmen);
    ini.INIWriteInteger(kSektion, "GrafikRahmen", GrafikRahmen);
    ini.INIWriteBool(kSektion, "Kurzbeschreibung_in_Grossanzeige", KurzbeschreibungInGrossanzeige);
    ini.INIWriteBool(kSektion, "Langbeschreibung_in_Grossanzeige", LangbeschreibungInGrossanzeige);
    ini.INIWriteInteger(kSektion, "TabellenRahmen", TabellenRahmen);
    ini.INIWriteBool(kSektion, "Langbeschreibung_in_Uebersicht", LangbeschreibungInUebersicht);
    ini.INIWriteBool(kSektion, "Kurzbeschreibung_in_Uebersicht", KurzbeschreibungInUebersicht);
    ini.INIWriteBool(kSektion, "OrgSize", OrgSize);
    ini.INIWriteString(kSektion, "Width", Width);
    ini.INIWriteString(kSektion, "Height", Height);
    ini.INIWriteString(kSektion, "PicAnz", QString::number(PicAnz));
    ini.INIWriteBool(kSektion, "Kurzbeschreibung_in_Alt", KurzbeschreibungInAlt);
    ini.INIWriteBool(kSektion, "Bild_im_neuen_Fenster", BildImNeuenFenster);
    ini.INIWriteString(kSektion, "Target", Target);
    ini.INIWriteBool(kSektion, "Bild_in_HMTL_Format", BildInHTMLFormat);
    ini.INIWriteBool(kSektion, "Hauptbilder_skalieren", HauptbilderSkalieren);
    ini.INIWriteInteger(kSektion, "Hauptbilder_Breite", HauptbilderBreite);
    ini.INIWriteInteger(kSektion, "JPG_Qualitaet", JPGQualitaet);
}

QStringList HTMLKopfVorlage()
{
    return {QStringLiteral("<html>"),
            QStringLiteral("<HEAD>"),
            QStringLiteral("<TITLE>Fotolune</TITLE>"),
            QStringLiteral("</HEAD>"),
            QStringLiteral("<BODY BGCOLOR=#FFFFFF>"),
            QString(),
            QStringLiteral("<h1 align=\"center\"><font color=\"#FF0000\">Bilderübersicht</font></h1>"),
            QStringLiteral("<h3 align=\"center\">erstellt mit QV-Lumadex</h3>"),
            QStringLiteral("<h6 align=\"center\">Besuchen Sie die Homepage von QV-Lumadex:</h6>"),
            QString(),
            kHomepageZeile,
            QString(),
            QStringLiteral("<p>&nbsp;</p>"),
            QString(),
            QString()};
}

QStringList HTMLKopfStandard()
{
    return {QStringLiteral("<html>"),
            QStringLiteral("<HEAD>"),
            QStringLiteral("<TITLE>QV-Lumadex Fotoseite</TITLE>"),
            QStringLiteral("</HEAD>"),
            QStringLiteral("<BODY BGCOLOR=#FFFFFF>"),
            QStringLiteral("<h1 align=\"center\"><font color=\"#FF0000\">Private Fotosseite von \?\?\?</font></h1>"),
            QStringLiteral("<h3 align=\"center\">erstellt mit QV-Lumadex </h3>"),
            QStringLiteral("<h6 align=\"center\">Besuchen Sie auch die Homepage von QV-Lumadex:</h6>"),
            QString(),
            kHomepageZeile,
            QString(),
            QStringLiteral("<p>&nbsp;</p>"),
            QString(),
            QStringLiteral("<hr>")};
}

// ---- Entries through the engine ----------------------------------------------

// The entries the walk visits: the query count also counts the deleted
// entries that the album's order passes over.
int TDbeHTMLExportQuelle::Anzahl()
{
    const uint32_t position = dbe_->RecNo();
    int anzahl = 0;
    for (dbe_->GoTop(); !dbe_->Eof(); dbe_->Skip(1))
        ++anzahl;
    dbe_->Go(position);
    return anzahl;
}
void TDbeHTMLExportQuelle::ErsterEintrag() { dbe_->GoTop(); }
void TDbeHTMLExportQuelle::NaechsterEintrag() { dbe_->Skip(1); }
long TDbeHTMLExportQuelle::Position() { return long(dbe_->RecNo()); }
void TDbeHTMLExportQuelle::GeheZu(long position) { dbe_->Go(uint32_t(position)); }
QString TDbeHTMLExportQuelle::Pfad() { return dbe_->GetTrimString("PFAD").trimmed(); }
QString TDbeHTMLExportQuelle::Typ() { return dbe_->GetTrimString("TYPE").trimmed(); }
QString TDbeHTMLExportQuelle::Kurzbeschreibung() { return dbe_->GetTrimString("SHORTDESC").trimmed(); }

QString TDbeHTMLExportQuelle::Notiz()
{
    const long laenge = dbe_->GetBlobLength("NOTIZ");
    if (laenge <= 0)
        return {};
    char* text = dbe_->GetMemo("NOTIZ");
    if (!text)
        return {};
    const QString notiz = Win1252Decode(QByteArrayView(text, laenge));
    dbe_->MemDealloc(text);
    return notiz;
}

QImage TDbeHTMLExportQuelle::Vorschaubild()
{
    if (dbe_->Empty("VORSCHAU"))
        return {};
    // Decoded straight from the memo, no file between.
    QByteArray bytes;
    if (!MemoBytes(dbe_, QStringLiteral("VORSCHAU"), bytes))
        return {};
    QImage bild = QImage::fromData(bytes);
    const QChar drehung = FlagLesen(dbe_, "FLAGS", 4);
    const int grad = drehung == u'1' ? 90 : drehung == u'2' ? 180 : drehung == u'3' ? 270 : 0;
    if (!bild.isNull() && grad)
        bild = bild.transformed(QTransform().rotate(grad));
    return bild;
}

// ---- Texts and pictures ----------------------------------------------------------

QString HTMLText(const QString& text)
{
    QString s;
    s.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&': s += QStringLiteral("&amp;"); break;
        case u'<': s += QStringLiteral("&lt;"); break;
        case u'>': s += QStringLiteral("&gt;"); break;
        case u'"': s += QStringLiteral("&quot;"); break;
        case u'\'': s += QStringLiteral("&#39;"); break;
        case u'\r':
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            s += QStringLiteral("\r\n");
            break;
        case u'\n': s += QStringLiteral("\r\n"); break;
        default: s += c;
        }
    }
    return s;
}

QSize GrossBildGroesse(int w, int h, int limit)
{
    if (w <= limit && h <= limit)
        return {w, h};
    // A very narrow picture keeps at least one pixel on its short side.
    if (w > h)
        return {limit, std::max(1, int(std::lround(double(h) / (double(w) / limit))))};
    return {std::max(1, int(std::lround(double(w) / (double(h) / limit)))), limit};
}

bool ErzeugeGrossBild(const QString& linuxDatei, int limit, int qualitaet)
{
    QImageReader leser(linuxDatei);
    const QSize original = leser.size();
    if (!original.isValid())
        return false;
    const QSize neu = GrossBildGroesse(original.width(), original.height(), limit);
    if (neu == original)
        return true;
    // A scaled decode: the JPEG decoder scales while it reads.
    leser.setScaledSize(neu);
    QImage bild = leser.read();
    if (bild.isNull())
        return false;
    if (bild.size() != neu)
        bild = bild.scaled(neu, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return bild.save(linuxDatei, "JPG", qualitaet > 0 ? qualitaet : -1);
}

// ---- The export run --------------------------------------------------------------

// One page file, written line by line; a failed write raises EInOutError.
struct THTMLExport::Seite {
    std::unique_ptr<TAusgabeDatei> datei;

    void Oeffnen(const QString& winName)
    {
        Schliessen();
        datei = std::make_unique<TAusgabeDatei>(winName);
    }
    void Zeile(const QString& text) { datei->Schreibe(SeitenBytes(text) + "\r\n"); }
    void Schliessen()
    {
        if (datei)
            datei->Schliessen();
        datei.reset();
    }
};

THTMLExport::THTMLExport(THTMLExportQuelle& quelle, const THTMLExportEinstellungen& einstellungen,
                         const QString& exportOrdner, const QStringList& kopfVorlage)
    : quelle_(quelle), e_(einstellungen), ordner_(exportOrdner), kopf_(KopfMitZeichensatz(kopfVorlage))
{
}

QString THTMLExport::Linux(const QString& name) const
{
    // Only a plain name of the export folder is ever written.
    const QString pfad = ZielImOrdner(ordner_, name);
    if (pfad.isEmpty() || BereinigterDateiname(name) != name)
        throw EInOutError(QStringLiteral("Der Name ") + name + QStringLiteral(" liegt nicht im Exportordner ") + ordner_ +
                          u'!');
    if (auto linux = WinToLinux(pfad))
        return *linux;
    throw EInOutError(QStringLiteral("Der Pfad ") + pfad + QStringLiteral(" ist nicht erreichbar!"));
}

bool THTMLExport::Vorhanden(const QString& name) const
{
    const auto a = WinToLinux(ordner_ + name);
    const auto b = WinToLinux(ordner_ + name.toLower());
    return (a && QFileInfo::exists(*a)) || (b && QFileInfo::exists(*b));
}

// A name is taken when the picture, its thumbnail or its page is there, so
// no entry's files overwrite another's, also when a picture file is missing.
bool THTMLExport::NameBelegt(const QString& name) const
{
    return Vorhanden(name) || Vorhanden(QStringLiteral("_") + name) ||
           (e_.BildInHTMLFormat && Vorhanden(SeitenName(name)));
}

QString THTMLExport::BildName(const QString& pfad) const
{
    QString name = BereinigterDateiname(pfad);
    if (name.isEmpty())
        name = QStringLiteral("bild.jpg");
    if (!NameBelegt(name))
        return name.toLower();
    const qsizetype punkt = name.indexOf(u'.');
    const QString basis = (punkt < 0 ? name : name.left(punkt)).toLower();
    const QString suffix = DateiSuffix(name);
    // The next number after base + "_" among the folder's files.
    int hoechste = 0;
    const QString prefix = basis + u'_';
    const auto ordner = WinToLinux(ordner_);
    if (ordner)
        for (const QString& datei : QDir(*ordner).entryList(QDir::Files)) {
            const QString klein = datei.toLower();
            if (!klein.startsWith(prefix))
                continue;
            qsizetype i = prefix.size();
            int zahl = 0;
            bool ziffern = false;
            while (i < klein.size() && klein.at(i).isDigit() && zahl < 100000000) {
                zahl = zahl * 10 + klein.at(i).digitValue();
                ziffern = true;
                ++i;
            }
            if (ziffern && (i == klein.size() || klein.at(i) == u'.'))
                hoechste = std::max(hoechste, zahl);
        }
    for (int nummer = hoechste + 1;; ++nummer) {
        const QString kandidat = basis + u'_' + QString::number(nummer) + (suffix.isEmpty() ? QString() : u'.' + suffix);
        if (!NameBelegt(kandidat))
            return kandidat.toLower();
    }
}

void THTMLExport::Kopf(Seite& seite)
{
    for (const QString& zeile : kopf_)
        seite.Zeile(zeile);
    seite.Zeile(QString());
    seite.Zeile(QStringLiteral("<font color=\"#009900\"> </font>"));
    seite.Zeile(QStringLiteral("<table width=\"100%\" border=\"") + Zahl(e_.TabellenRahmen) + QStringLiteral("\">"));
    seite.Zeile(QStringLiteral("<tr>"));
}

void THTMLExport::Fuss(Seite& seite, int vorige, int naechste, int letzte)
{
    seite.Zeile(QStringLiteral("</tr>"));
    seite.Zeile(QStringLiteral("<tr>"));
    if (e_.KurzbeschreibungInUebersicht || e_.LangbeschreibungInUebersicht)
        for (const QString& z : kurzQueue_)
            seite.Zeile(z);
    if (e_.LangbeschreibungInUebersicht) {
        seite.Zeile(QStringLiteral("</tr>"));
        seite.Zeile(QStringLiteral("<tr>"));
        for (const QString& z : langQueue_)
            seite.Zeile(z);
    }
    seite.Zeile(QStringLiteral("</tr>"));
    seite.Zeile(QStringLiteral("</table>"));
    kurzQueue_.clear();
    langQueue_.clear();
    seite.Zeile(QStringLiteral("<TABLE WIDTH=\"50%\">"));
    seite.Zeile(QStringLiteral("<TR>"));
    if (!(naechste == -1 && vorige <= 0 && letzte <= 0)) {
        auto zelle = [&](const QString& mitte) {
            seite.Zeile(QStringLiteral("<TD><b><font face=\"Arial, Helvetica, sans-serif\" size=\"2\">") + mitte +
                        QStringLiteral("</font></b></TD>"));
        };
        auto seitenLink = [](int n) {
            return n == 0 ? QStringLiteral("galvora.htm") : QStringLiteral("galvora") + Zahl(n) + QStringLiteral(".htm");
        };
        zelle(vorige < 0 ? QStringLiteral("<A>Erste Seite</A>") : QStringLiteral("<A HREF=\"galvora.htm\">Erste Seite</A>"));
        zelle(vorige < 0 ? QStringLiteral("<A>Vorige Seite</A>")
                         : QStringLiteral("<A HREF=\"") + seitenLink(vorige) + QStringLiteral("\">Vorherige Seite</A>"));
        zelle(naechste > 0 ? QStringLiteral("<A HREF=\"") + seitenLink(naechste) + QStringLiteral("\">N&auml;chste Seite</A>")
                           : QStringLiteral("<A>N&auml;chste Seite</A>"));
        zelle(letzte > 0 && naechste > 0
                  ? QStringLiteral("<A HREF=\"") + seitenLink(letzte) + QStringLiteral("\">Letzte Seite</A>")
                  : QStringLiteral("<A>Letzte Seite</A>"));
    }
    seite.Zeile(QStringLiteral("</TR>"));
    seite.Zeile(QStringLiteral("</TABLE>"));
    seite.Zeile(QStringLiteral("</body>"));
    seite.Zeile(QStringLiteral("</html>"));
}

QString THTMLExport::Zelle(const QString& link, const QString& vorschau) const
{
    const QString kurz = HTMLText(kurz_);
    QString s = QStringLiteral("<td width=\"20%\"><div align=\"center\"><font color=\"#009900\"><a href=\"") + UrlAttr(link);
    const bool alt = e_.KurzbeschreibungInAlt, ziel = e_.BildImNeuenFenster;
    if (alt) {
        if (ziel)
            s += QStringLiteral("\" target=\"") + HTMLText(e_.Target);
        s += QStringLiteral("\" title=\"") + kurz + QStringLiteral("\"><img src=\"");
    } else if (ziel) {
        s += QStringLiteral("\" target=\"_blank\"> <img src=\"");
    } else {
        s += QStringLiteral("\" > <img src=\"");
    }
    s += UrlAttr(vorschau) + QStringLiteral("\" alt=\"") + kurz;
    if (!e_.OrgSize)
        s += QStringLiteral("\" width=\"") + HTMLText(e_.Width) + QStringLiteral("\" height=\"") + HTMLText(e_.Height);
    const bool gespreizt = e_.OrgSize && alt == ziel;
    s += gespreizt ? QStringLiteral("\" ></a></font></div></td>") : QStringLiteral("\"></a></font></div></td>");
    return s;
}

void THTMLExport::BildSeite(const QString& seitenName, const QString& bild, const QString& bildRef,
                            const QString& originalRef)
{
    Seite seite;
    seite.Oeffnen(ordner_ + seitenName);
    const QString name = HTMLText(bild);
    const QString zelle = QStringLiteral("<TD width=\"80\" align=\"center\"><font face=\"Arial, Helvetica, sans-serif\" size=\"2\">");
    for (const QString& z :
         {QStringLiteral("<HTML>"), QStringLiteral("<HEAD>"), QString(),
          QStringLiteral("<TITLE>") + name + QStringLiteral("</TITLE>"),
          QStringLiteral("<META name=\"generator\" content=\"QV-Lumadex Foto-Gallerie\">"),
          kZeichensatzMeta,
          QStringLiteral("</HEAD>"),
          QStringLiteral("<BODY bgcolor=\"#FFFFFF\"  text=\"#000000\"  link=\"#0000FF\"  vlink=\"#800080\"  alink=\"#FF0000\" >"),
          QStringLiteral("<TABLE border=\"") + Zahl(e_.UeberschriftenRahmen) +
              QStringLiteral("\" cellpadding=\"5\" cellspacing=\"2\" width=\"100%\" bgcolor=\"#F0F0F0\" >"),
          QStringLiteral("<TR><TD><FONT size=\"3\"  face=\"Arial\" >") + HTMLText(e_.Grossanzeigeueberschrift) +
              QStringLiteral("</FONT>")})
        seite.Zeile(z);
    auto beschreibung = [&](bool an, const QString& text) {
        if (!an)
            return;
        seite.Zeile(QStringLiteral("<BR>"));
        if (text.isEmpty())
            return;
        seite.Zeile(QStringLiteral("<FONT size=\"2\"  face=\"Arial\" >") + HTMLText(text));
        seite.Zeile(QStringLiteral("</FONT>"));
    };
    beschreibung(e_.KurzbeschreibungInGrossanzeige, kurz_);
    beschreibung(e_.LangbeschreibungInGrossanzeige, notiz_);
    for (const QString& z : {QStringLiteral("</TD>"), QStringLiteral("</TR>"), QStringLiteral("</TABLE>"),
                             QStringLiteral("<P><CENTER>"),
                             QStringLiteral("<TABLE border=\"0\" cellpadding=\"0\" cellspacing=\"2\" width=\"200\">"),
                             QStringLiteral("<TR>")})
        seite.Zeile(z);
    seite.Zeile(vorigeSeite_.isEmpty()
                    ? zelle + QStringLiteral("&lt;&lt;</font></TD>")
                    : zelle + QStringLiteral("<a href=\"") + UrlAttr(vorigeSeite_) + QStringLiteral("\">&lt;&lt;</a></font></TD>"));
    if (!e_.BildImNeuenFenster)
        seite.Zeile(zelle + QStringLiteral("<a href=\"") + UrlAttr(uebersicht_) + QStringLiteral("\">home</a></font></TD>"));
    seite.Zeile(weiter_ ? zelle + QStringLiteral("<a href=\"") + UrlAttr(naechsteSeite_) +
                              QStringLiteral("\">&gt;&gt;</a></font></TD>")
                        : zelle + QStringLiteral("&gt;&gt;</font></TD>"));
    seite.Zeile(QStringLiteral("</TR>"));
    seite.Zeile(QStringLiteral("</TABLE>"));
    seite.Zeile(QStringLiteral("</CENTER></P>"));
    const QString rahmen = Zahl(e_.GrafikRahmen);
    seite.Zeile(weiter_ ? QStringLiteral("<P><CENTER><a href=\"") + UrlAttr(naechsteSeite_) + QStringLiteral("\"><IMG src=\"") +
                              UrlAttr(bildRef) + QStringLiteral("\" border=\"") + rahmen +
                              QStringLiteral("\" alt=\"n&auml;chstes Bild\"></a></CENTER></P>")
                        : QStringLiteral("<P><CENTER><IMG src=\"") + UrlAttr(bildRef) + QStringLiteral("\" border=\"") +
                              rahmen + QStringLiteral("\" alt=\"") + name + QStringLiteral("\"></CENTER></P>"));
    if (e_.OriginalAuchExportieren && !originalRef.isEmpty())
        seite.Zeile(QStringLiteral("<P><CENTER><FONT size=\"3\" face=\"Arial\" ><a href=\"") + UrlAttr(originalRef) +
                    QStringLiteral("\">Originalgrösse von ") + name + QStringLiteral("</a></FONT></CENTER></P>"));
    else
        seite.Zeile(QStringLiteral("<P><CENTER><FONT size=\"3\" face=\"Arial\" >") + name +
                    QStringLiteral("</FONT></CENTER></P>"));
    for (int i = 0; i < 4; ++i)
        seite.Zeile(QStringLiteral("<P><CENTER><FONT size=\"3\"  face=\"Arial\" ></FONT></CENTER></P>"));
    seite.Zeile(QStringLiteral("</BODY>"));
    seite.Zeile(QStringLiteral("</HTML>"));
    seite.Zeile(QString());
    seite.Schliessen();
}

void THTMLExport::Kopieren(const QString& quelle, const QString& ziel)
{
    Linux(ziel);  // refuses a name outside the folder
    const TDateiErgebnis kopie = BildKopieren(quelle, ordner_ + ziel, true);
    if (!kopie)
        throw EInOutError(QStringLiteral("Fehler beim Kopieren von ") + quelle + QStringLiteral(" nach ") + ordner_ + ziel +
                          QStringLiteral(": ") + kopie.Grund);
}

void THTMLExport::Ueberspringen(const QString& pfad, const QString& grund)
{
    ++Uebersprungen;
    UebersprungenNamen << pfad;
    if (Meldung)
        Meldung(QStringLiteral("Error"), grund, 150);
}

void THTMLExport::Vorschau(const QString& vorschauName, const QString& quelle, bool quelleDa)
{
    QImage bild = quelle_.Vorschaubild();
    if (bild.isNull() && quelleDa) {
        // An entry without thumbnail: one from the picture, decoded scaled.
        QImageReader leser(WinToLinux(quelle).value_or(quelle));
        const QSize s = leser.size();
        if (s.isValid()) {
            leser.setScaledSize(GrossBildGroesse(s.width(), s.height(), kVorschauSeite));
            bild = leser.read();
        }
    }
    if (bild.isNull()) {
        bild = QImage(kVorschauSeite, kVorschauSeite * 3 / 4, QImage::Format_RGB32);
        bild.fill(QColor(0xC0, 0xC0, 0xC0));
    }
    if (!bild.save(Linux(vorschauName), "JPG", -1))
        throw EInOutError(QStringLiteral("Fehler beim Schreiben von ") + ordner_ + vorschauName + u'!');
}

void THTMLExport::Ausfuehren()
{
    auto meldung = [this](const QString& caption, const QString& text, int hoehe) {
        if (Meldung)
            Meldung(caption, text, hoehe);
    };
    weiter_ = true;
    meldung(kHinweis, QStringLiteral("Erzeuge und kopiere jetzt die Daten ....bitte warten Sie bis zur Abschlussmeldung..."),
            150);
    int seitenNummer = 0;
    Uebersprungen = 0;
    UebersprungenNamen.clear();
    vorigeSeite_.clear();
    naechsteSeite_.clear();
    kurzQueue_.clear();
    langQueue_.clear();
    const int proSeite = e_.PicAnz;
    const int anzahl = quelle_.Anzahl();

    // The pages are counted from the entries that are exported, so the
    // "last page" link always names a page that is written.
    int jpgs = 0;
    quelle_.ErsterEintrag();
    for (int i = 0; i < anzahl; ++i) {
        if (quelle_.Typ() == u"1")
            ++jpgs;
        quelle_.NaechsterEintrag();
    }
    quelle_.ErsterEintrag();
    const int letzte = proSeite > 0 ? jpgs / proSeite - (jpgs % proSeite == 0 ? 1 : 0) : 0;

    uebersicht_ = QStringLiteral("galvora.htm");
    Seite seite;
    seite.Oeffnen(ordner_ + uebersicht_);
    Kopf(seite);
    int zellen = 1, exportiert = 0;
    const bool notizNoetig = e_.LangbeschreibungInUebersicht || e_.LangbeschreibungInGrossanzeige;
    for (int i = 0; i < anzahl; ++i) {
        if (Abbruch && Abbruch()) {
            meldung(kHinweis, QStringLiteral("Mit ESC abgebrochen!"), 130);
            break;
        }
        if (Fortschritt)
            Fortschritt(i, anzahl);
        const QString pfad = quelle_.Pfad();
        if (quelle_.Typ() != u"1") {
            meldung(kHinweis,
                    QStringLiteral("In dieser Version können nur JPG-Bilder ins HTML-Format exportiert werden!"), 150);
            quelle_.NaechsterEintrag();
            continue;
        }
        const QString bild = BildName(pfad);
        const QString vorschau = u'_' + bild;
        const auto quelleLinux = WinToLinux(pfad);
        bool quelleDa = quelleLinux && QFileInfo(*quelleLinux).isFile();
        try {
            Vorschau(vorschau, pfad, quelleDa);
        } catch (const EInOutError& fehler) {
            // Without its thumbnail the entry has nothing to show.
            Ueberspringen(pfad, fehler.Message);
            quelle_.NaechsterEintrag();
            continue;
        }
        const QString seitenName = SeitenName(bild);
        QString originalRef;
        if (quelleDa) {
            try {
                Kopieren(pfad, bild);
                if (e_.HauptbilderSkalieren && !ErzeugeGrossBild(Linux(bild), e_.HauptbilderBreite, e_.JPGQualitaet))
                    meldung(QStringLiteral("Error"),
                            QStringLiteral("Fehler beim Skalieren des Grossbildes ") + ordner_ + bild + QStringLiteral(" !"),
                            150);
                if (e_.OriginalAuchExportieren) {
                    originalRef = QStringLiteral("original_") + bild;
                    Kopieren(pfad, originalRef);
                }
            } catch (const EInOutError& fehler) {
                // Shown by its thumbnail, as a missing picture is.
                Ueberspringen(pfad, fehler.Message);
                for (const QString& datei : {bild, originalRef})
                    if (!datei.isEmpty())
                        BildLoeschen(ordner_ + datei);
                originalRef.clear();
                quelleDa = false;
            }
        }
        // A missing picture is shown by its thumbnail.
        const QString bildRef = quelleDa ? bild : vorschau;
        kurz_ = quelle_.Kurzbeschreibung();
        notiz_ = notizNoetig ? quelle_.Notiz() : QString();
        seite.Zeile(Zelle(e_.BildInHTMLFormat ? seitenName : bildRef, vorschau));
        const QString beschreibungZelle = QStringLiteral(
            "<td width=\"20%\"><div align=\"center\"><font size=\"1\" face=\"Arial, Helvetica, sans-serif\">");
        if (e_.KurzbeschreibungInUebersicht)
            kurzQueue_ << beschreibungZelle + HTMLText(kurz_) + QStringLiteral("</font></div></td>");
        if (e_.LangbeschreibungInUebersicht)
            langQueue_ << beschreibungZelle + HTMLText(notiz_) + QStringLiteral("</font></div></td>");
        ++exportiert;
        quelle_.NaechsterEintrag();
        if (e_.BildInHTMLFormat) {
            naechsteSeite_.clear();
            const int verbleibend = anzahl - i - 1;
            if (verbleibend > 0) {
                const long position = quelle_.Position();
                for (int k = 0; k < verbleibend; ++k) {
                    if (k > 0)
                        quelle_.NaechsterEintrag();
                    if (quelle_.Typ() == u"1") {
                        naechsteSeite_ = SeitenName(BildName(quelle_.Pfad()));
                        break;
                    }
                }
                quelle_.GeheZu(position);
            }
            if (naechsteSeite_.isEmpty())
                weiter_ = false;
            try {
                BildSeite(seitenName, bild, bildRef, originalRef);
            } catch (const EInOutError& fehler) {
                Ueberspringen(pfad, fehler.Message);
            }
            vorigeSeite_ = seitenName;
        }
        ++zellen;
        if (letzte > 0 && zellen > proSeite && exportiert < jpgs) {
            Fuss(seite, seitenNummer - 1, seitenNummer + 1, letzte);
            seite.Schliessen();
            uebersicht_ = QStringLiteral("galvora") + Zahl(seitenNummer + 1) + QStringLiteral(".htm");
            seite.Oeffnen(ordner_ + uebersicht_);
            ++seitenNummer;
            Kopf(seite);
            zellen = 1;
        }
    }
    Fuss(seite, seitenNummer - 1, -1, letzte);
    seite.Schliessen();
}
