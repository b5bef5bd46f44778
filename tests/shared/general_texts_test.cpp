// Guards the text routines: path parts, backslashes, suffixes, list search and umlauts.
#include <gtest/gtest.h>

#include "routines_test_print.h"
#include "shared/general_texts.h"
#include "routines_test_support.h"

namespace {

TEST(GeneralTexts, PathParts)
{
    EXPECT_EQ(PfadVonDatei("C:\\Bilder\\a.jpg", true), "C:\\Bilder\\");
    EXPECT_EQ(PfadVonDatei("C:\\Bilder\\a.jpg", false), "C:\\Bilder");
    EXPECT_EQ(PfadVonDatei("C:\\", false), "C:\\");
    EXPECT_EQ(PfadVonDatei("a.jpg", true), "");

    EXPECT_EQ(DateiNameVonPfad("C:\\Bilder\\ a.jpg "), "a.jpg");
    EXPECT_EQ(DateiNameOhnePfad(" C:\\Bilder\\a.b.jpg ", false), "a.b.jpg");
    EXPECT_EQ(DateiNameOhnePfad("C:\\Bilder\\a.b.jpg", true), "a");
    EXPECT_EQ(DateiNameOhnePfad("C:\\Bil.der\\readme", true), "readme");

    EXPECT_EQ(DateiSuffix("a.b.jpeg"), "JPE");
    EXPECT_EQ(DateiSuffix("C:\\x\\bild.jpg"), "JPG");
    EXPECT_EQ(DateiSuffix("C:\\x.y\\readme"), "");
    EXPECT_EQ(DateiSuffix("bild.ä"), "Ä");
}

TEST(GeneralTexts, Backslashes)
{
    EXPECT_EQ(MitBackslash("C:\\Bilder\\\\\\"), "C:\\Bilder\\");
    EXPECT_EQ(MitBackslash("C:\\Bilder"), "C:\\Bilder\\");
    EXPECT_EQ(MitBackslash("C:\\Bilder\\"), "C:\\Bilder\\");
    EXPECT_EQ(OhneBackslash("C:\\"), "C:\\");
    EXPECT_EQ(OhneBackslash("C:\\Bilder\\"), "C:\\Bilder");
    EXPECT_EQ(OhneBackslash("C:\\Bilder"), "C:\\Bilder");
    EXPECT_EQ(OhneBackslash(""), "");
}

TEST(GeneralTexts, Suffixes)
{
    TPromptRecorder prompts;
    const QStringList& shown = prompts.texts;
    EXPECT_EQ(SuffixAendern("bilder.alt.dbf", "BAK", true), "BILDER.BAK");
    EXPECT_EQ(SuffixAendern("bilder", "BAK", true), "BAK");
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(SuffixAendern("bilder.dbf", "TOOLONG", false), "");
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(SuffixAendern("bilder.dbf", "ABCD", true), "");
    EXPECT_EQ(shown, QStringList{"Neue Suffix zu lang oder Fehlerhaft!"});
    EXPECT_EQ(prompts.prompts[0].DlgType, mtWarning);

    EXPECT_EQ(SuffixErsetzen("bilder.alt.dbf", "cdx"), "BILDER.ALT.cdx");
    EXPECT_EQ(PfadAlsDateiName("C:\\Bilder"), "C_BILDER_");
    EXPECT_EQ(PfadAlsDateiName("c:\\a/b"), "C_A_B_");
}

TEST(GeneralTexts, SmallTexts)
{
    QString t = "12:30:45";
    DoppelpunktZuPunkt(t);
    EXPECT_EQ(t, "12.30.45");

    EXPECT_EQ(NullenAuffuellen("5", 3), "005");
    EXPECT_EQ(NullenAuffuellen("-5", 3), "-05");
    EXPECT_EQ(NullenAuffuellen("-123", 3), "-123");  // all digits stay
    EXPECT_EQ(NullenAuffuellen("1234", 2), "1234");

    EXPECT_EQ(RechtsAuffuellen("ab", 4), "ab  ");
    EXPECT_EQ(RechtsAuffuellen("abcdef", 4), "abcdef");
    EXPECT_EQ(LeerzeichenEntfernen(" a b  c "), "abc");
    EXPECT_EQ(TextAbErsterZiffer("BACKUP12.ZIP"), "12.ZIP");
    EXPECT_EQ(TextAbErsterZiffer("BACKUP"), "BACKUP");
    EXPECT_EQ(ZeichenAnzahl("a_b_c", u'_'), 2);
    EXPECT_EQ(LetztePosition("a_b_c", u'_'), 4);
    EXPECT_EQ(LetztePosition("abc", u'_'), 0);
}

TEST(GeneralTexts, ListSearch)
{
    const QStringList list{"Urlaub 2001", "Äpfel", "Garten"};
    EXPECT_EQ(StringInListeSuchen(list, "laub"), 0);
    EXPECT_EQ(StringInListeSuchen(list, "äpf"), 1);
    EXPECT_EQ(StringInListeSuchen(list, "Zoo"), -1);
    EXPECT_EQ(StringInListeGenau(list, "garten"), 2);
    EXPECT_EQ(StringInListeGenau(list, "GARTE"), -1);
    EXPECT_EQ(StringInListeGenau(list, "äPFEL"), 1);
    TStringList items;
    items.AddStrings(list);
    EXPECT_EQ(StringInListeSuchen(items, "TEN"), 2);
    EXPECT_EQ(StringInListeGenau(items, "urlaub 2001"), 0);
}

TEST(GeneralTexts, Umlauts)
{
    EXPECT_TRUE(EnthaeltUmlaut("Straße"));
    EXPECT_TRUE(EnthaeltUmlaut("Öl"));
    EXPECT_FALSE(EnthaeltUmlaut("Strasse"));
    EXPECT_TRUE(EnthaeltBindestrich("a-b"));
    EXPECT_FALSE(EnthaeltBindestrich("ab"));

    EXPECT_EQ(GrossMitUmlauten("grüße aus köln, ärger é"), "GRÜßE AUS KÖLN, ÄRGER é");
    EXPECT_EQ(KleinMitUmlauten("GRÜSSE AUS KÖLN, ÄRGER É"), "grüsse aus köln, ärger É");
}

TEST(GeneralTexts, Numbers)
{
    EXPECT_TRUE(IstZahl("123"));
    EXPECT_TRUE(IstZahl("-2147483648"));
    EXPECT_FALSE(IstZahl("2147483648"));
    EXPECT_FALSE(IstZahl("12a"));
    EXPECT_FALSE(IstZahl(""));
    EXPECT_TRUE(IstZahlOderNull("0"));
    EXPECT_FALSE(IstZahlOderNull("x"));
}

TEST(GeneralTexts, DateToSortableText)
{
    EXPECT_EQ(DatumInJJJJMMTT("24.12.98"), "19981224");
    EXPECT_EQ(DatumInJJJJMMTT("01.02.30"), "20300201");
    EXPECT_EQ(DatumInJJJJMMTT("01.02.31"), "19310201");
    EXPECT_EQ(DatumInJJJJMMTT("24.12.1998"), "19981224");
    EXPECT_EQ(DatumInJJJJMMTT(""), "");
}

}  // namespace
