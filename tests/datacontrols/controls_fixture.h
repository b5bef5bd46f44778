#pragma once
// Edit and combo controls on a form over an album-shaped table made through
// the engine.

#include "table_fixture.h"

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
    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TdkDataSource> source;
    std::unique_ptr<TForm> form;
};
