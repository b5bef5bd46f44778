#!/usr/bin/env python3
"""Writes the program's list templates (resources/*.RTM) in the report
engine's text form: the picture lists the layout chooser offers and the
album list of the album manager. Run it after changing a layout here.

Measures are in thousandths of a millimetre; A4 with margins of 6.35 mm
leaves 197.3 x 284.3 mm to print on."""

import os
import sys

WIDTH = 197300  # printable width
FONT = "Arial"


def text_value(s):
    """A string in the text form: printable ASCII quoted, the rest as #code."""
    out, run = [], ""
    for ch in s:
        if 32 <= ord(ch) < 127:
            run += "''" if ch == "'" else ch
        else:
            if run:
                out.append("'" + run + "'")
                run = ""
            out.append("#%d" % ord(ch))
    if run or not out:
        out.append("'" + run + "'")
    return "".join(out)


class Obj:
    def __init__(self, name, cls, **props):
        self.name, self.cls, self.props, self.children = name, cls, props, []

    def add(self, *children):
        self.children.extend(children)
        return self

    def render(self, indent=0):
        pad = "  " * indent
        lines = ["%sobject %s: %s" % (pad, self.name, self.cls)]
        for key, value in self.props.items():
            if isinstance(value, bool):
                value = "True" if value else "False"
            elif isinstance(value, str) and value.startswith("@"):
                value = value[1:]  # an identifier
            elif isinstance(value, str):
                value = text_value(value)
            lines.append("%s  %s = %s" % (pad, key.replace("__", "."), value))
        for child in self.children:
            lines.extend(child.render(indent + 1))
        lines.append(pad + "end")
        return lines


def font(height, bold=False, color="clBlack"):
    return {"Font__Charset": "@DEFAULT_CHARSET", "Font__Color": "@" + color, "Font__Height": height,
            "Font__Name": FONT, "Font__Style": "@[fsBold]" if bold else "@[]"}


def bounds(left, top, width, height):
    return {"mmHeight": height, "mmLeft": left, "mmTop": top, "mmWidth": width}


def label(name, caption, left, top, width, height=5000, size=-13, bold=False, align="taLeftJustify",
          color="clBlack", **extra):
    props = {"Alignment": "@" + align, "AutoSize": False, "Caption": caption, "Transparent": True}
    props.update(font(size, bold, color))
    props.update(extra)
    props.update(bounds(left, top, width, height))
    return Obj(name, "TrgLabel", **props)


def dbtext(name, pipeline, field, left, top, width, height=5000, size=-13, bold=False, align="taLeftJustify",
           **extra):
    props = {"Alignment": "@" + align, "DataField": field, "DataPipeline": "@" + pipeline, "Transparent": True}
    props.update(font(size, bold))
    props.update(extra)
    props.update(bounds(left, top, width, height))
    return Obj(name, "TrgDBText", **props)


def calc(name, kind, left, top, width, height=5000, size=-13, align="taLeftJustify"):
    props = {"Alignment": "@" + align, "CalcType": "@" + kind, "Transparent": True}
    props.update(font(size))
    props.update(bounds(left, top, width, height))
    return Obj(name, "TrgCalc", **props)


def dbcalc(name, pipeline, field, kind, left, top, width, height=5000, size=-13):
    props = {"Alignment": "@taRightJustify", "DataField": field, "DataPipeline": "@" + pipeline,
             "DBCalcType": "@" + kind, "Transparent": True}
    props.update(font(size, True))
    props.update(bounds(left, top, width, height))
    return Obj(name, "TrgDBCalc", **props)


def line(name, left, top, width, position="lpBottom", color="clGray"):
    props = {"Pen__Color": "@" + color, "Position": "@" + position, "ShiftWithParent": True}
    props.update(bounds(left, top, width, 1000))
    return Obj(name, "TrgLine", **props)


def rule(name, top):
    """The rule under an entry: drawn at the bottom of its box, which reaches
    down to the lowest part of the entry as printed, so that it lies below
    a grown note or title and never crosses the picture."""
    props = {"Pen__Color": "@clGray", "Position": "@lpBottom", "StretchWithParent": True}
    props.update(bounds(0, top, WIDTH, 1000))
    return Obj(name, "TrgLine", **props)


def image(name, left, top, width, height):
    props = {"MaintainAspectRatio": True, "Stretch": True}
    props.update(bounds(left, top, width, height))
    return Obj(name, "TrgImage", **props)


def dbmemo(name, pipeline, field, left, top, width, height, size=-11, bold=False):
    # A long note wraps at word ends and grows downwards; its band grows with
    # it (the detail bands are dynamic) and goes on on the next page.
    props = {"CharWrap": False, "DataField": field, "DataPipeline": "@" + pipeline, "Stretch": True,
             "Transparent": True}
    props.update(font(size, bold))
    props.update(bounds(left, top, width, height))
    return Obj(name, "TrgDBMemo", **props)


def title(name, pipeline, left, top, width, height, size):
    """The entry's short description: bold, wrapped at word ends inside its
    width, growing by the lines a long one needs."""
    return dbmemo(name, pipeline, "ShortDesc", left, top, width, height, size=size, bold=True)


def below(name, anchor, left, top, width, height, *children):
    """An invisible region that starts right below its anchor (a title that
    may grow) and takes its children along; it grows with a note inside."""
    props = {"Brush__Style": "@bsClear", "Pen__Style": "@psClear", "ShiftRelativeTo": "@" + anchor,
             "Stretch": True, "Transparent": True}
    props.update(bounds(left, top, width, height))
    return Obj(name, "TrgRegion", **props).add(*children)


def shifted(obj):
    """obj moves down as far as the band grew above it."""
    obj.props["ShiftWithParent"] = True
    return obj


def report(name, pipeline, document):
    return Obj(name, "TrgReport",
               DataPipeline="@" + pipeline,
               PrinterSetup__BinName="Default",
               PrinterSetup__DocumentName=document,
               PrinterSetup__PaperName="A4",
               PrinterSetup__PrinterName="Default",
               PrinterSetup__mmMarginBottom=6350,
               PrinterSetup__mmMarginLeft=6350,
               PrinterSetup__mmMarginRight=6350,
               PrinterSetup__mmMarginTop=6350,
               PrinterSetup__mmPaperHeight=297000,
               PrinterSetup__mmPaperWidth=210000,
               Language="@lgGerman",
               PassSetting="@psTwoPass",
               Units="@utMillimeters",
               Version="3.52",
               mmColumnWidth=0)


def header(prefix, title, album_label):
    """The page head: the list's title, the album's name (filled in by the
    program), the print date and a rule."""
    return Obj(prefix + "HeaderBand1", "TrgHeaderBand", mmHeight=17000).add(
        label(prefix + "LabelTitel", title, 0, 0, 120000, 8000, size=-21, bold=True),
        label(album_label, "Fotoalbum", 0, 8500, 140000, 5500, size=-13, color="clGray"),
        calc(prefix + "CalcDatum", "ctDate", WIDTH - 50000, 1500, 50000, 5000, align="taRightJustify"),
        line(prefix + "LineKopf", 0, 14500, WIDTH, "lpBottom", "clBlack"))


def footer(prefix):
    """The page foot: a rule, the program's name and "Seite n von m"."""
    return Obj(prefix + "FooterBand1", "TrgFooterBand", mmHeight=9000).add(
        line(prefix + "LineFuss", 0, 1000, WIDTH, "lpTop", "clBlack"),
        label(prefix + "LabelProgramm", "QV-Lumadex", 0, 2500, 60000, 4500, size=-11, color="clGray"),
        calc(prefix + "CalcSeite", "ctPageSetDesc", WIDTH - 60000, 2500, 60000, 4500, size=-11,
             align="taRightJustify"))


def pair(prefix, caption, value_name, left, top, caption_width=24000, value_width=40000, size=-11):
    """A small grey caption and the label the program fills beside it."""
    return [label(prefix + "Titel" + value_name.split("Label", 1)[-1], caption, left, top, caption_width, 4500,
                  size=size, color="clGray"),
            label(value_name, "", left + caption_width, top, value_width, 4500, size=size)]


def thumbnail_list():
    """From the first record: per entry its thumbnail, title, file name,
    recording date, group, quality and the reserve fields."""
    p, pipe = "rgReport2", "rgBDEPipeline2"
    detail = Obj("rgReport2DetailBand1", "TrgDetailBand", PrintHeight="@phDynamic", mmHeight=31000)
    # The lines below the title move down by the lines a long title needs.
    detail.add(
        # Writes the entry's thumbnail for rgReport2Image1 while it formats.
        # It is laid out before the picture and so keeps its place; the
        # title ends left of it.
        dbtext("rgReport2DBText4", pipe, "Aufndatum", 150000, 8000, 47300, 4500, size=-11, align="taRightJustify",
               DisplayFormat="dd.mm.yyyy", OnFormat="@rgReport2DBText4Format"),
        image("rgReport2Image1", 0, 1500, 38000, 28000),
        title("rgReport2DBText1", pipe, 42000, 1500, 106000, 6000, -15),
        *[shifted(o) for o in (
            label("rgReport2Label1", "", 42000, 8000, 100000, 4500, size=-11, color="clNavy",
                  OnPrint="@rgReport2Label1Print"),
            label("rgReport2TitelGruppe", "Gruppe:", 42000, 14000, 20000, 4500, size=-11, color="clGray"),
            label("rgReport2Label2", "", 62000, 14000, 50000, 4500, size=-11, OnPrint="@rgReport2Label2Print"),
            label("rgReport2TitelQualitaet", "Qualit\u00e4t:", 115000, 14000, 20000, 4500, size=-11,
                  color="clGray"),
            label("rgReport2Label3", "", 135000, 14000, 62300, 4500, size=-11),
            label("rgReport2TitelReserve", "Reserve:", 42000, 19500, 20000, 4500, size=-11, color="clGray"),
            label("rgReport2Label4", "", 62000, 19500, 44000, 4500, size=-11),
            label("rgReport2Label5", "", 107000, 19500, 44000, 4500, size=-11),
            label("rgReport2Label6", "", 152000, 19500, 45300, 4500, size=-11))],
        rule("rgReport2LineSatz", 29500))
    return report("rgReport2", pipe, "Bilderliste").add(
        header(p, "Bilderliste", "rgReport2LabelAlbum"), detail, footer(p))


def picture_details(prefix, left, top, width, note):
    """Title of rgReport1 and, in a region below it that moves with a title
    of several lines, its path, pick-list values, reserve fields and the
    note (note(y) makes it at y)."""
    pipe = "rgBDEPipeline1"
    head = title(prefix + "DBTextTitel", pipe, left, top, width, 6500, -16)
    parts = [dbtext(prefix + "DBTextPfad", pipe, "Pfad", left, top + 7000, width, 4500, size=-11)]
    half = width // 2
    rows = [("Motiv:", "rgReport1LabelMotivQualitaet", "Bildqualit\u00e4t:", "rgReport1LabelBildQualitaet"),
            ("Quelle:", "rgReport1LabelQuelle", "Gruppe:", "rgReport1LabelGruppe"),
            ("Reserve 1:", "rgReport1LabelReserve1", "Reserve 2:", "rgReport1LabelReserve2")]
    y = top + 13000
    for c1, n1, c2, n2 in rows:
        parts += pair("rgReport1", c1, n1, left, y, 22000, half - 23000)
        parts += pair("rgReport1", c2, n2, left + half, y, 24000, half - 24000)
        y += 5000
    parts += pair("rgReport1", "Reserve 3:", "rgReport1LabelReserve3", left, y, 22000, half - 23000)
    parts.append(note(y + 6000))
    bottom = max(o.props["mmTop"] + o.props["mmHeight"] for o in parts)
    return [head, below(prefix + "RegionDaten", prefix + "DBTextTitel", left, top + 6500, width, bottom - top - 6500,
                        *parts)]


def picture_info_list():
    """From the current record: a medium picture with everything about it."""
    p = "rgReport1"
    detail = Obj("rgReport1DetailBand1", "TrgDetailBand", PrintHeight="@phDynamic", mmHeight=64000,
                 BeforePrint="@rgReport1DetailBand1BeforePrint")
    detail.add(image("rgReport1Image1", 0, 2000, 84000, 59000))
    # The program narrows the note to the picture's width while it prints.
    detail.add(*picture_details("rgReport1", 89000, 2000, WIDTH - 89000,
                                lambda y: dbmemo("rgReport1DBMemo1", "rgBDEPipeline1", "Notiz", 89000, y,
                                                 WIDTH - 89000, 61000 - y)),
               rule("rgReport1LineSatz", 62500))
    return report("rgReport1", "rgBDEPipeline1", "Bilderliste mit Bildinfo").add(
        header(p, "Bilderliste mit Bildinfo", "rgReport1LabelAlbum"), detail, footer(p))


def large_landscape_list():
    """From the current record: a 36:25 landscape section of each picture,
    two to a page, with its texts below."""
    p = "rgReport1"
    img_w, img_h = 144000, 100000
    left = (WIDTH - img_w) // 2
    detail = Obj("rgReport1DetailBand1", "TrgDetailBand", PrintHeight="@phDynamic", mmHeight=129000,
                 BeforePrint="@rgReport1DetailBand1BeforePrint")
    parts = [image("rgReport1Image1", left, 8500, img_w, img_h)]
    y = 8500 + img_h + 1500
    rows = [("Motiv:", "rgReport1LabelMotivQualitaet", "Bildqualit\u00e4t:", "rgReport1LabelBildQualitaet"),
            ("Gruppe:", "rgReport1LabelGruppe", "Quelle:", "rgReport1LabelQuelle")]
    half = img_w // 2
    for i, (c1, n1, c2, n2) in enumerate(rows):
        parts += pair("rgReport1", c1, n1, left, y + 5000 * i, 22000, half - 23000)
        parts += pair("rgReport1", c2, n2, left + half, y + 5000 * i, 24000, half - 24000)
    parts.append(dbmemo("rgReport1DBMemo1", "rgBDEPipeline1", "Notiz", left, y + 10500, img_w, 6500))
    # The picture and its texts move down below a title of several lines.
    detail.add(title("rgReport1DBTextTitel", "rgBDEPipeline1", left, 1500, img_w, 6500, -16),
               below("rgReport1RegionDaten", "rgReport1DBTextTitel", left, 8000, img_w, y + 17000 - 8000, *parts),
               rule("rgReport1LineSatz", 127500))
    return report("rgReport1", "rgBDEPipeline1", "Bilderliste Großbild quer").add(
        header(p, "Gro\u00dfbilder (Querformat)", "rgReport1LabelAlbum"), detail, footer(p))


def large_portrait_list():
    """From the current record: a 25:36 portrait section of each picture,
    two to a page, the texts beside it."""
    p = "rgReport1"
    img_w, img_h = 86800, 125000
    detail = Obj("rgReport1DetailBand1", "TrgDetailBand", PrintHeight="@phDynamic", mmHeight=129000,
                 BeforePrint="@rgReport1DetailBand1BeforePrint")
    detail.add(image("rgReport1Image1", 0, 1500, img_w, img_h))
    left = img_w + 6000
    detail.add(*picture_details("rgReport1", left, 1500, WIDTH - left,
                                lambda y: dbmemo("rgReport1DBMemo1", "rgBDEPipeline1", "Notiz", left, y, img_w,
                                                 126500 - y)),
               rule("rgReport1LineSatz", 127500))
    return report("rgReport1", "rgBDEPipeline1", "Bilderliste Großbild hoch").add(
        header(p, "Gro\u00dfbilder (Hochformat)", "rgReport1LabelAlbum"), detail, footer(p))


def passport_list():
    """From the current record: each picture five times side by side in
    passport size, to cut out; the title above, the note below the last."""
    p = "rgReport1"
    img_w, img_h, gap = 35000, 45000, 4000
    detail = Obj("rgReport1DetailBand1", "TrgDetailBand", PrintHeight="@phDynamic", mmHeight=62000,
                 BeforePrint="@rgReport1DetailBand1BeforePrint")
    parts = [image("rgReport1Image%d" % (i + 1), i * (img_w + gap), 8500, img_w, img_h) for i in range(5)]
    parts += pair("rgReport1", "Gruppe:", "rgReport1LabelGruppe", 0, 55000, 16000, 60000)
    parts.append(dbmemo("rgReport1DBMemo1", "rgBDEPipeline1", "Notiz", 4 * (img_w + gap), 55000, img_w, 5000))
    # The pictures and what is below them move down below a title of
    # several lines.
    detail.add(title("rgReport1DBTextTitel", "rgBDEPipeline1", 0, 1500, WIDTH, 6000, -15),
               below("rgReport1RegionDaten", "rgReport1DBTextTitel", 0, 7500, WIDTH, 60000 - 7500, *parts),
               rule("rgReport1LineSatz", 61000))
    return report("rgReport1", "rgBDEPipeline1", "Passbilder").add(
        header(p, "Passbilder", "rgReport1LabelAlbum"), detail, footer(p))


def album_list():
    """The album manager's list: per album its description, path, dates,
    sizes and counts, the sums at the end."""
    p, pipe = "rgReportBilderDBFManager", "rgBDEPipelineBilderDBFManager"
    head = Obj(p + "HeaderBand1", "TrgHeaderBand", mmHeight=25000).add(
        label(p + "LabelTitel", "Fotoalben", 0, 0, 120000, 8000, size=-21, bold=True),
        label(p + "LabelUntertitel", "Liste aller Fotoalben des Fotoalben-Managers", 0, 8500, 140000, 5500,
              color="clGray"),
        calc(p + "CalcDatum", "ctDate", WIDTH - 50000, 1500, 50000, 5000, align="taRightJustify"),
        label(p + "KopfBeschreibung", "Kurzbeschreibung / Pfad", 0, 16000, 90000, 4500, size=-11, bold=True),
        label(p + "KopfDatum", "Letzte \u00c4nderung", 92000, 16000, 28000, 4500, size=-11, bold=True),
        label(p + "KopfSaetze", "Anzahl S\u00e4tze", 121000, 16000, 24000, 4500, size=-11, bold=True,
              align="taRightJustify"),
        label(p + "KopfBytes", "Gesamt Datenbankgr\u00f6\u00dfe (Bytes)", 146000, 16000, 51300, 4500, size=-11,
              bold=True, align="taRightJustify"),
        line(p + "LineKopf", 0, 22000, WIDTH, "lpBottom", "clBlack"))
    detail = Obj(p + "DetailBand1", "TrgDetailBand", mmHeight=17000).add(
        dbtext(p + "DBTextShortDesc", pipe, "ShortDesc", 0, 1000, 90000, 5000, bold=True),
        dbtext(p + "DBTextDatum", pipe, "LASTFDATE", 92000, 1000, 28000, 5000, DisplayFormat="dd.mm.yyyy"),
        dbtext(p + "DBTextSaetze", pipe, "SAETZE", 121000, 1000, 24000, 5000, align="taRightJustify"),
        dbtext(p + "DBTextBytesSum", pipe, "BytesSum", 146000, 1000, 51300, 5000, align="taRightJustify"),
        dbtext(p + "DBTextPfad", pipe, "Pfad", 0, 6500, 120000, 4500, size=-11),
        label(p + "TitelLabel", "Datentr\u00e4gername:", 0, 11500, 28000, 4500, size=-11, color="clGray"),
        dbtext(p + "DBTextLabel", pipe, "Label", 28000, 11500, 60000, 4500, size=-11),
        label(p + "TitelPicBytes", "Gesamtgr\u00f6\u00dfe Bilder (Bytes):", 92000, 11500, 50000, 4500, size=-11,
              color="clGray"),
        dbtext(p + "DBTextPicBytes", pipe, "PICBYTES", 146000, 11500, 51300, 4500, size=-11,
               align="taRightJustify"),
        line(p + "LineSatz", 0, 16000, WIDTH))
    sums = [("DBF-Bytes:", "BytesDBF", "dcSum"), ("FPT-Bytes:", "BytesFPT", "dcSum"),
            ("CDX-Bytes:", "BytesCDX", "dcSum"), ("IA-Bytes:", "BytesIA", "dcSum"),
            ("Summe-Bytes:", "BytesSum", "dcSum"), ("Bilder-Bytes:", "PICBYTES", "dcSum"),
            ("Anzahl Markierte: Bilder", "MARKIERTE", "dcSum"),
            ("Anzahl Bilder mit Beschr.:", "MITDESC", "dcSum"), ("Anzahl Bilder ohne Beschr.:", "OHNEDESC", "dcSum"),
            ("Anzahl Datens\u00e4tze:", "SAETZE", "dcSum"), ("Anzahl Fotoalben:", "Pfad", "dcCount")]
    summary = Obj(p + "SummaryBand1", "TrgSummaryBand", mmHeight=8000 + 5500 * len(sums))
    summary.add(label(p + "SummeTitel", "Summen", 0, 1500, 60000, 5500, size=-15, bold=True))
    for i, (caption, field, kind) in enumerate(sums):
        y = 8000 + 5500 * i
        summary.add(label(p + "SummeText%d" % (i + 1), caption, 60000, y, 60000, 5000),
                    dbcalc(p + "DBCalc%d" % (i + 1), pipe, field, kind, 121000, y, 50000, 5000))
    rep = report(p, pipe, "Fotoalben-Liste")
    return rep.add(head, detail, summary, footer(p))


TEMPLATES = {
    "BilderListe.RTM": thumbnail_list,
    "BilderListe_Bildinfo.RTM": picture_info_list,
    "BilderListe_GrossesBild8.RTM": large_landscape_list,
    "BilderListe_GrossesBild10.RTM": large_portrait_list,
    "BilderListe_Passbilder.RTM": passport_list,
    "BilderDBFManager.RTM": album_list,
}

DESCRIPTIONS = {
    "BilderListe.TXT": "Vorschaubilder mit Titel, Dateiname, Aufnahmedatum, Gruppe, Qualit\u00e4t und "
                       "Reservefeldern; beginnt mit dem ersten Datensatz.",
    "BilderListe_Bildinfo.TXT": "Mittelgro\u00dfes Bild mit allen Angaben und der Notiz; beginnt mit dem "
                                "aktuellen Datensatz.",
    "BilderListe_GrossesBild8.TXT": "Gro\u00dfbild im Querformat (Ausschnitt 36:25), zwei Bilder je Seite; "
                                    "beginnt mit dem aktuellen Datensatz.",
    "BilderListe_GrossesBild10.TXT": "Gro\u00dfbild im Hochformat (Ausschnitt 25:36), zwei Bilder je Seite; "
                                     "beginnt mit dem aktuellen Datensatz.",
    "BilderListe_Passbilder.TXT": "Jedes Bild f\u00fcnfmal nebeneinander zum Ausschneiden; beginnt mit dem "
                                  "aktuellen Datensatz.",
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources")
    for name, make in TEMPLATES.items():
        with open(os.path.join(folder, name), "w", newline="\r\n", encoding="ascii") as f:
            f.write("\n".join(make().render()) + "\n")
    for name, text in DESCRIPTIONS.items():
        with open(os.path.join(folder, name), "w", newline="\r\n", encoding="cp1252") as f:
            f.write(text + "\n")


if __name__ == "__main__":
    main()
