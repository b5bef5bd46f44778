// A record view of edits and combo boxes next to the album grid, drawn to
// screenshots/ for a person to look at; the texts the controls show are
// checked, the picture is only saved.

#include "controls_fixture.h"

#include <QDir>

TEST_F(ControlsTest, RecordViewScreenshot)
{
    MakeAlbum(12);
    OpenTable();
    for (int i = 0; i < table->FieldCount(); ++i) {
        QString n = table->Fields(i)->FieldName;
        table->Fields(i)->SetVisible(n == "SHORTDESC" || n == "OWNER" || n == "QUALITAET");
    }
    table->FieldByName("ShortDesc")->SetDisplayWidth(16);
    form->SetClientWidth(620);
    form->SetClientHeight(260);
    auto* grid = Place<TdkDBGrid>();
    grid->SetBounds(0, 0, 330, 260);
    auto* quality = new TdkDBComboBox(form.get());
    quality->Name = "QualitaetCombo";
    quality->MapList = true;
    quality->SetStyle(csDropDownList);
    QStringList q{"Nicht bewertet\t0"};
    for (int i = 1; i <= 6; ++i)
        q << QString("%1. Qualität\t%1").arg(i);
    quality->SetItems(q);
    table->ControlType().Add("QUALITAET;Combo;QualitaetCombo");
    grid->SetDataSource(source.get());
    std::vector<TdkDBEdit*> edits;
    int top = 10;
    for (const char* field : {"ShortDesc", "Owner", "Label", "Bytes"}) {
        auto* e = new TdkDBEdit(form.get());
        e->SetParent(form.get());
        e->SetBounds(340, top, 270, 21);
        e->SetDataSource(source.get());
        e->SetDataField(field);
        edits.push_back(e);
        top += 28;
    }
    auto* combo = new TdkDBComboBox(form.get());
    combo->SetParent(form.get());
    combo->SetBounds(340, top, 170, 21);
    combo->MapList = true;
    combo->SetStyle(csDropDownList);
    combo->SetItems(q);
    combo->SetDataSource(source.get());
    combo->SetDataField("Qualitaet");
    lxui_test::SendKey(grid->Handle(), Qt::Key_Down);
    lxui_test::SendKey(grid->Handle(), Qt::Key_Down);
    EXPECT_EQ(edits[0]->Text(), "Bild 3");
    EXPECT_EQ(edits[3]->Text(), "300");
    EXPECT_EQ(combo->Text(), "3. Qualität");
    QCoreApplication::processEvents();
    QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    QImage img = form->Handle()->grab().toImage();
    EXPECT_TRUE(img.save(dir + "/record_view.png"));
    grid->Handle()->grab();
    EXPECT_EQ(grid->PaintedText(3, 3), "3. Qualität");
}
