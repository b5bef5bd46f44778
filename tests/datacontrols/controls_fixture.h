#pragma once
// Edit and combo controls on a form over an album-shaped table made through
// the engine.

#include "../datagrid/table_fixture.h"

#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/test_input.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <memory>
#include <string>

class ControlsTest : public DkTableTest {
protected:
    void SetUp() override
    {
        DkTableTest::SetUp();
        form = std::make_unique<TForm>(nullptr);
        form->Name = "ControlsForm";
        form->SetClientWidth(500);
        form->SetClientHeight(300);
        form->Show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        form.reset();
        source.reset();
        table.reset();
        DkTableTest::TearDown();
    }

    void MakeAlbum(int count)
    {
        MakeTable("BILDER.DBF", AlbumFields(), count, [](int i) {
            Text("ShortDesc", "Bild " + std::to_string(i));
            Text("Owner", "Anna");
            Text("Label", "Etikett " + std::to_string(i));
            Text("Qualitaet", std::to_string(i % 7));
            Long("Bytes", i * 100);
        });
    }
    void OpenTable()
    {
        table = std::make_unique<TdkTable>();
        table->Name = "TableBilder";
        table->SetTableType(ttDXFOX);
        Open(*table, "BILDER.DBF");
        source = std::make_unique<TdkDataSource>();
        source->SetDataSet(table.get());
    }
    template <typename C>
    C* Place(int top = 10)
    {
        auto* c = new C(form.get());
        c->SetParent(form.get());
        c->SetBounds(10, top, 200, 21);
        return c;
    }
    // Types the characters into the control's widget.
    static void Type(TWinControl* c, const QString& text)
    {
        for (QChar ch : text) {
            int key = ch == u' ' ? Qt::Key_Space : ch == QChar(27) ? Qt::Key_Escape : 0;
            lxui_test::SendKey(c->Handle(), key, QString(ch));
        }
    }
    std::string Stored(uint32_t recno, const char* field)
    {
        const uint16_t area = dbe_Use(File("BILDER.DBF").c_str(), "CHECK", DBE_READONLY, DBE_TYPE_FOX);
        EXPECT_NE(area, 0) << dbe_LastError();
        dbe_Go(recno);
        std::string value = dbe_GetTrimString(field);
        dbe_Close();
        return value;
    }

    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TdkDataSource> source;
    std::unique_ptr<TForm> form;
};
