// The command vocabulary: the menus, pop-up menus and the toolbar built from
// the one table, compared with the vocabulary as the program documents it,
// and every item bound to its handler.

#include "start_fixture.h"

#include "mainwindow/main_commands.h"
#include "platform/ui/menus.h"
#include "shared/qk_auto_button.h"

#include <set>

namespace {

TEST(Befehlstabelle, MainMenuTopLevelAndToolbarInOrder)
{
    QStringList oben, toolbar, hints;
    for (const TBefehl& b : BefehlsTabelle()) {
        if (qstrcmp(b.Menue, kHauptmenue) == 0 && b.Ebene == 0)
            oben << QString::fromUtf8(b.Caption);
        if (qstrcmp(b.Menue, kToolbar) == 0) {
            toolbar << QString::fromUtf8(b.Handler);
            hints << QString::fromUtf8(b.Hint);
        }
    }
    EXPECT_EQ(oben, QStringList({"&Datei", "&Bearbeiten", "Ansicht", "&Filter", "&Suchen", "Sortieren", "Optionen",
                                 "&Hilfe", "&Ende"}));
    EXPECT_EQ(toolbar, QStringList({"QKAutoButtonVollbildClick", "QKAutoButtonSlideshowClick",
                                    "QKAutoButtonBilderHinzufuegenClick", "QKAutoButtonLoeschenClick",
                                    "QKAutoButtonBilderKopierenClick", "QKAutoButtonUploadenClick", "Ende1Click",
                                    "OptionenBilder1Click", "QKAutoButtonBilderDruckenClick",
                                    "AndereBilderdatenbankoeffnen1Click"}));
    EXPECT_EQ(hints.at(0), "Bild in Vollbildanzeige laden und anzeigen....");
    EXPECT_EQ(hints.at(6), "Programm beenden.....");
    EXPECT_EQ(hints.at(9), "Fotoalben-Manager aufrufen...");
}

TEST(Befehlstabelle, ItemsWithShortcutsStatesAndSounds)
{
    struct Erwartet {
        const char* Name;
        const char* Caption;
        TShortCut ShortCut;
        unsigned Start;
        int Ton;
        const char* Handler;
    };
    const Erwartet kErwartet[] = {
        {"AndereBilderdatenbankoeffnen1", "Fotoalben-Manager", 0, 0, 28, "AndereBilderdatenbankoeffnen1Click"},
        {"EditiermodusTabelle1", "Editiermodus Tabelle ", VK_F2, 0, 0, "EditiermodusTabelle1Click"},
        {"BilderHinzufuegen1", "Bilder/Einträge &Hinzufügen", VK_F7, 0, 33, "BilderHinzufuegen1Click"},
        {"BilderKopieren", "Bilder/Einträge &Kopieren", VK_F8, 0, 34, "BilderKopierenClick"},
        {"BilderLoeschen", "Bilder/Einträge &Löschen", VK_F9, 0, 35, "BilderLoeschenClick"},
        {"Bildumbenennen1", "Aktuelles Bild umbenennen", TShortCut(scCtrl | 'U'), 0, 0, "Bildumbenennen1Click"},
        {"Vollbild1", "Vollbild anzeigen", VK_F11, 0, 0, "Vollbild1Click"},
        {"Slideshowstarten2", "Slideshow starten", VK_F12, 0, 0, "SlideShowstart1Click"},
        {"BilderuploadenII1", "Bilder uploaden II", 0, kVersteckt | kGesperrt, 0, "BilderuploadenII1Click"},
        {"Einzelsatzanzeige1", "Einzelsatzanzeige", 0, kGehakt, 0, "Einzelsatzanzeige1Click"},
        {"SatzeditorBilder", "Satzeditor", 0, kVersteckt, 0, "SatzeditorBilderClick"},
        {"BilderOhneFilter1", "Ohne &Filter (Reset)", TShortCut(scCtrl | 'R'), 0, 45, "BilderOhneFilter1Click"},
        {"GehezuSatzNr1", "Gehezu SatzNr.", TShortCut(scCtrl | 'G'), 0, 0, "GehezuSatzNr1Click"},
        {"OnlinehilfeBilder", "Onlinehilfe", VK_F1, 0, 56, "Onlinehilfe1Click"},
        {"Ende4", "&Ende", 0, 0, 60, "Ende1Click"},
        {"Temp3", "Temp", 0, kVersteckt, 0, nullptr},
        {"Bildexternbearbeiten_21", "Bild extern bearbeiten1", TShortCut(scCtrl | VK_F5), 0, 0,
         "Bildexternbearbeiten_11Click"},
        {"Bilderverschieben2", "Bild(er) verschieben", 0, kVersteckt | kGesperrt, 0, nullptr},
        {"N90rechts1", "90° rechts", 0, 0, 0, "N90rechts1Click"},
        {"Programmbeenden1", "Programm beenden", 0, 0, 0, "Ende1Click"},
        {"AlleLabelnamenErsetzen1", "Alle Einträge (Sätze) mit dem selben Wert ersetzen", 0, 0, 0,
         "AlleLabelnamenErsetzen1Click"},
    };
    for (const Erwartet& e : kErwartet) {
        const TBefehl* b = BefehlSuchen(e.Name);
        ASSERT_NE(b, nullptr) << e.Name;
        EXPECT_EQ(QString::fromUtf8(b->Caption), QString::fromUtf8(e.Caption)) << e.Name;
        EXPECT_EQ(b->ShortCut, e.ShortCut) << e.Name;
        EXPECT_EQ(b->Start, e.Start) << e.Name;
        EXPECT_EQ(b->Ton, e.Ton) << e.Name;
        EXPECT_EQ(QString::fromLatin1(b->Handler), QString::fromLatin1(e.Handler)) << e.Name;
    }
    // Every name is there once; the pop-up menus are those the window shows.
    std::set<std::string> namen;
    int popups = 0;
    QString letztesMenue;
    for (const TBefehl& b : BefehlsTabelle()) {
        if (b.Name[0]) {
            EXPECT_TRUE(namen.insert(b.Name).second) << b.Name;
        }
        if (QString::fromLatin1(b.Menue) != letztesMenue) {
            letztesMenue = QString::fromLatin1(b.Menue);
            popups += letztesMenue.startsWith("Popup");
        }
    }
    EXPECT_EQ(popups, int(PopupZuordnungen().size()));
    EXPECT_EQ(popups, 20);
}

TEST_F(StartTest, WindowBuildsEveryItemAndBindsItsHandler)
{
    // The window as built, before the start-up sets captions from the settings.
    form = std::make_unique<TMainForm>(nullptr);
    int items = 0;
    for (const TBefehl& b : BefehlsTabelle()) {
        if (!b.Name[0])
            continue;
        if (qstrcmp(b.Menue, kToolbar) == 0) {
            TQKAutoButton* button = form->ToolbarButton(b.Name);
            ASSERT_NE(button, nullptr) << b.Name;
            EXPECT_EQ(button->Hint(), QString::fromUtf8(b.Hint));
            EXPECT_TRUE(bool(button->OnClick)) << b.Name;
            continue;
        }
        ++items;
        TMenuItem* item = form->MenuItem(b.Name);
        ASSERT_NE(item, nullptr) << b.Name;
        EXPECT_EQ(item->Caption(), QString::fromUtf8(b.Caption));
        EXPECT_EQ(item->ShortCut(), b.ShortCut);
        EXPECT_EQ(item->Visible(), !(b.Start & kVersteckt)) << b.Name;
        EXPECT_EQ(item->Enabled(), !(b.Start & kGesperrt)) << b.Name;
        EXPECT_EQ(item->Tag, b.Ton);
        EXPECT_EQ(bool(item->OnClick), b.Handler != nullptr) << b.Name;
        // Every command does its work: no name of the table lacks its handler.
        if (b.Handler) {
            EXPECT_TRUE(form->HandlerVorhanden(b.Handler)) << b.Handler;
        }
    }
    EXPECT_EQ(items, 176);
    for (const TPopupZuordnung& p : PopupZuordnungen())
        EXPECT_NE(form->PopupMenu(p.Menue), nullptr) << p.Menue;
    EXPECT_EQ(form->Menu(), form->MainMenuBilder);
    EXPECT_EQ(form->ToolbarButton("QKAutoButtonBilderDrucken")->PopupMenu(), form->PopupMenu("PopupMenuDrucken"));
}

TEST_F(StartTest, EveryCommandHasItsHandlerAndNoneSaysItIsMissing)
{
    Starten();
    for (const char* name : {"Ende1Click", "AndereBilderdatenbankoeffnen1Click", "BilderHinzufuegen1Click",
                             "Einzelbilddrucken2Click", "BilderlistenAuswahl1Click"})
        EXPECT_TRUE(form->HandlerVorhanden(name)) << name;
    // A name no command binds gets no handler, and nothing answers that a
    // function is not there.
    EXPECT_FALSE(form->HandlerVorhanden("DruckeBilderListeClick"));
    EXPECT_FALSE(bool(form->Handler("DruckeBilderListeClick")));
    EXPECT_FALSE(prompts.Gezeigt("noch nicht verfügbar"));
    prompts.Texte.clear();
    form->MenuItem("Hinweis1")->Click();
    EXPECT_TRUE(prompts.Gezeigt("Aus der Vollbildanzeige heraus können Sie ein einzelnes Großbild ausdrucken"));
    // The about window and the options dialog open from their items.
    prompts.Texte.clear();
    form->MenuItem("UeberLumadex")->Click();
    EXPECT_TRUE(prompts.Gezeigt("<Modal"));
    prompts.Texte.clear();
    form->MenuItem("OptionenBilder")->Click();
    EXPECT_TRUE(prompts.Gezeigt("<Modal"));
    // A hidden item is hidden, its handler still bound.
    TMenuItem* temp = form->MenuItem("VolltextSuche2");
    EXPECT_FALSE(temp->Visible());
    prompts.Texte.clear();
    temp->Click();
    EXPECT_TRUE(prompts.Texte.isEmpty());
}

}  // namespace
