#pragma once
// A data grid on a form over an album-shaped table made through the
// engine, driven with real key and mouse events.

#include "table_fixture.h"

#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_inplace_edit.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/test_input.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <memory>
#include <string>

class GridTest : public DkTableTest {
protected:
    void TearDown() override
    {
        form.reset();
        source.reset();
        table.reset();
        DkTableTest::TearDown();
    }

    // Opens the table, shows only the named fields and puts the grid on a form.
    void OpenGrid(const QStringList& shown = {"ShortDesc", "Owner", "Bytes"}, int height = 200, bool readOnly = false)
    {
        table = std::make_unique<TdkTable>();
        table->Name = "TableBilder";
        table->SetTableType(ttDXFOX);
        table->SetReadOnly(readOnly);
        Open(*table, "BILDER.DBF");
        for (int i = 0; i < table->FieldCount(); ++i)
            table->Fields(i)->SetVisible(shown.contains(table->Fields(i)->FieldName, Qt::CaseInsensitive));
        table->FieldByName("ShortDesc")->SetDisplayWidth(20);
        source = std::make_unique<TdkDataSource>();
        source->SetDataSet(table.get());
        form = std::make_unique<TForm>(nullptr);
        form->Name = "GridForm";
        form->SetClientWidth(620);
        form->SetClientHeight(height + 20);
        grid = new TdkDBGrid(form.get());
        grid->Name = "Grid";
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 600, height);
        form->Show();
        QCoreApplication::processEvents();
        grid->SetDataSource(source.get());
        grid->SetFocus();
        QCoreApplication::processEvents();
    }

    // A new grid, with or without the grid's word wrap: its cell editor
    // takes the word wrap when it is made.
    void OpenGridWordWrap(bool wordWrap)
    {
        form.reset();
        source.reset();
        table.reset();
        OpenGrid();
        TdkDBGridOptions options = kdkDefaultGridOptions;
        if (!wordWrap)
            options.Exclude(dgWordWrap);
        grid->SetOptions(options);
    }

    // Entries "Bild i" whose RESERVE1, shown as a check box for
    // "Wahr"/"Falsch", holds the given value.
    void OpenCheckBoxGrid(int count, const std::string& value)
    {
        MakeTable("BILDER.DBF", AlbumFields(), count, [&value](int i) {
            Text("ShortDesc", "Bild " + std::to_string(i));
            Text("RESERVE1", value);
        });
        OpenGrid({"ShortDesc", "RESERVE1"});
        table->ControlType().Add("RESERVE1;CheckBox;Wahr;Falsch");
    }

    void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        QWidget* target = grid->EditorMode() && grid->InplaceEditor() ? grid->InplaceEditor()->Handle()
                                                                       : grid->Handle();
        lxui_test::SendKey(target, qtKey, text, mods);
    }
    void Type(const QString& text)
    {
        for (QChar c : text)
            Key(0, Qt::NoModifier, QString(c));
    }

    // Paints the grid as the screen would and gives the text of a data cell
    // (data column, visible data row).
    QString Cell(int dataCol, int dataRow)
    {
        grid->Handle()->grab();
        return grid->PaintedText(dataCol + grid->IndicatorOffset(), dataRow + grid->TitleOffset());
    }
    QString Title(int dataCol)
    {
        grid->Handle()->grab();
        return grid->PaintedText(dataCol + grid->IndicatorOffset(), 0);
    }
    void Screenshot(const QString& name)
    {
        QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(dir);
        EXPECT_TRUE(form->Handle()->grab().toImage().save(dir + "/" + name + ".png"));
    }
    QPoint CellCenter(int dataCol, int dataRow)
    {
        TRect r = grid->CellRect(dataCol + grid->IndicatorOffset(), dataRow + grid->TitleOffset());
        return QPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
    }

    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TdkDataSource> source;
    std::unique_ptr<TForm> form;
    TdkDBGrid* grid = nullptr;
};
