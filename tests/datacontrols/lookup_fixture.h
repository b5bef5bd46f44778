#pragma once
// Lookup controls over two tables made through the engine: KATEG.DBF, the
// lookup table (key KAT, name KATNAME, number KATNR), and FOTOS.DBF, the
// edited table with the same three fields.

#include "pictures_fixture.h"

#include "datacontrols/dk_lookup_combo.h"
#include "platform/ui/test_input.h"

inline const char* const kCategories[][2] = {{"A01", "Abbey"}, {"B02", "Berg"}, {"A03", "Anker"}, {"C04", "Chor"},
                                      {"D05", "Dom"},   {"E06", "Eis"},  {"F07", "Fels"},  {"G08", "Garten"},
                                      {"H09", "Hafen"}, {"I10", "Insel"}};

class LookupComboTest : public PicturesTest {
protected:
    void SetUp() override
    {
        PicturesTest::SetUp();
        SetUpTables();
        combo = new TdkDBLookupCombo(&form);
        PlaceCombo(combo);
    }

    void SetUpTables()
    {
        MakeCategories(3);
        MakeTable("FOTOS.DBF", {{"NAME", 'C', 20, 0}, {"KAT", 'C', 4, 0}, {"KATNAME", 'C', 20, 0}, {"KATNR", 'N', 4, 0}},
                  2, [](int i) {
                      Text("NAME", i == 1 ? "Urlaub" : "Garten");
                      Text("KAT", i == 1 ? "B02" : "XXX");
                      if (i == 1) {
                          Text("KATNAME", "Berg");
                          Long("KATNR", 2);
                      }
                  });
        Open(lookup, "KATEG.DBF");
        Open(fotos, "FOTOS.DBF");
        form.SetBounds(100, 100, 400, 300);
    }

    // Places a combo on the form, edits FOTOS.KAT with KATEG's record
    // (display column KATNAME) and shows the form.
    void PlaceCombo(TdkDBCustomLookupCombo* c)
    {
        combo = c;
        combo->Name = "LookupCombo1";
        combo->SetParent(&form);
        combo->SetBounds(10, 10, 160, 25);
        combo->Selected().Add("KATNAME\t20\tKategorie");
        combo->SetLookupTable(&lookup);
        combo->SetLookupField("KAT;KATNAME;KATNR");
        combo->SetDataSource(&fotosSource);
        combo->SetDataField("KAT");
        form.Show();
        QCoreApplication::processEvents();
    }

    void MakeCategories(int count, const char* name = "KATEG.DBF")
    {
        MakeTable(name, {{"KAT", 'C', 4, 0}, {"KATNAME", 'C', 20, 0}, {"KATNR", 'N', 4, 0}}, count, [](int i) {
            Text("KAT", kCategories[(i - 1) % 10][0]);
            Text("KATNAME", std::string(kCategories[(i - 1) % 10][1]) + (i > 10 ? std::to_string(i) : ""));
            Long("KATNR", i);
        });
    }

    // Links a lookup control (combo or list) to FOTOS.KAT over KATEG with
    // KATNAME as its display column.
    template <typename C>
    void Link(C& c, TWinControl* parent, int left, int top, int width, int height)
    {
        c.SetParent(parent);
        c.SetBounds(left, top, width, height);
        c.Selected().Add("KATNAME\t20\tKategorie");
        c.SetLookupTable(&lookup);
        c.SetLookupField("KAT");
        c.SetDataSource(&fotosSource);
        c.SetDataField("KAT");
    }

    // Opens FOTOS.DBF as edited with the lookup field KATLOOK: KATEG.KATNAME
    // of the record whose KAT equals FOTOS.KAT (KATEG gets tags on KAT and
    // KATNAME, so lookup is closed).
    void OpenLinked(TdkTable& edited)
    {
        lookup.Close();
        ASSERT_TRUE(MakeTags("KATEG.DBF", {{"KAT", "KAT"}, {"KATNAME", "KATNAME"}}));
        auto* look = new TStringField(20);
        look->FieldName = "KATLOOK";
        look->FieldKind = fkCalculated;
        look->SetDataSet(&edited);
        edited.SetLookupFields(Lines({"KATLOOK;" + WinDir() + ";KATEG.DBF;KATNAME;KAT"}));
        edited.SetLookupLinks(Lines({"KAT;KAT"}));
        Open(edited, "FOTOS.DBF");
    }

    void Type(const QString& text)
    {
        for (QChar c : text)
            lxui_test::SendKey(combo->Handle(), QChar(c.toUpper()).unicode(), QString(c));
    }
    void Key(int qtKey, const QString& text = {}) { lxui_test::SendKey(combo->Handle(), qtKey, text); }
    void Tick() { combo->SearchTimer()->Timer(); }
    QString Field(const char* name) { return fotos.FieldByName(name)->AsString(); }

    TdkTable lookup;
    TdkTable fotos;
    TDataSource fotosSource{&fotos};
    TdkDBCustomLookupCombo* combo = nullptr;
};

