// Guards the grid's control routines: lookups by published name, posted keys and the filter's Esc.
#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_field_info.h"
#include "datagrid/dk_memo_dialog.h"
#include "datagrid/dk_table.h"
#include "platform/data/data_source.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// An edit that publishes DataSource and DataField, as the data-aware edits do.
class TDataEdit : public TEdit, public TdkDataAwareControl {
public:
    using TEdit::TEdit;
    TDataSource* GetDataSource() const override { return source_; }
    void SetDataSource(TDataSource* source) override { source_ = source; }
    QString GetDataField() const override { return field_; }
    void SetDataField(const QString& name) override { field_ = name; }

private:
    TDataSource* source_ = nullptr;
    QString field_;
};

// A button that publishes them too, but is no edit.
class TDataButton : public TButton, public TdkDataAwareControl {
public:
    using TButton::TButton;
    TDataSource* GetDataSource() const override { return source_; }
    void SetDataSource(TDataSource* source) override { source_ = source; }
    QString GetDataField() const override { return QString(); }
    void SetDataField(const QString&) override {}

private:
    TDataSource* source_ = nullptr;
};

class TKeyRecorder : public QWidget {
public:
    std::vector<std::pair<int, Qt::KeyboardModifiers>> Downs;
    int Ups = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override { Downs.emplace_back(e->key(), e->modifiers()); }
    void keyReleaseEvent(QKeyEvent*) override { ++Ups; }
};

TEST(ControlRoutines, DataSourceAndFieldByPublishedName)
{
    TForm form(nullptr);
    form.Name = "Form1";
    auto* edit = new TDataEdit(&form);
    edit->SetParent(&form);
    auto* button = new TDataButton(&form);
    auto* plain = new TEdit(&form);
    TdkTable table;
    TDataSource source(&table);

    EXPECT_TRUE(dkSetControlDataSource(edit, &source));
    EXPECT_EQ(dkGetControlDataSource(edit), &source);
    EXPECT_TRUE(dkSetControlDataField(edit, "NAME"));
    EXPECT_EQ(dkGetControlDataField(edit), "NAME");
    // Only edit controls are written; any component is read.
    EXPECT_FALSE(dkSetControlDataSource(button, &source));
    EXPECT_EQ(dkGetControlDataSource(button), nullptr);
    button->SetDataSource(&source);
    EXPECT_EQ(dkGetControlDataSource(button), &source);
    EXPECT_FALSE(dkSetControlDataSource(plain, &source));
    EXPECT_EQ(dkGetControlDataField(plain), "");
    EXPECT_EQ(dkGetControlDataSource(nullptr), nullptr);
    // The grid and the memo dialog publish a DataSource of their own.
    TdkDataSource dkSource;
    dkSource.SetDataSet(&table);
    auto* grid = new TdkDBGrid(&form);
    auto* memo = new TdkMemoDialog(&form);
    EXPECT_EQ(dkGetControlDataSource(grid), nullptr);
    grid->SetDataSource(&dkSource);
    memo->SetDataSource(&dkSource);
    EXPECT_EQ(dkGetControlDataSource(grid), &dkSource);
    EXPECT_EQ(dkGetControlDataSource(memo), &dkSource);
    grid->SetDataSource(nullptr);
    memo->SetDataSource(nullptr);

    EXPECT_EQ(dkGetOwnerForm(edit), &form);
    EXPECT_EQ(dkGetOwnerForm(&form), &form);
    TComponent lone(nullptr);
    EXPECT_EQ(dkGetOwnerForm(&lone), &lone);
    TRect area;
    dkGetWorkArea(area);
    EXPECT_GT(area.Width(), 0);
}

TEST(ControlRoutines, ShiftedKeyIsPostedAsDownAndUp)
{
    TKeyRecorder w;
    dkPostShiftedKey(&w, VK_TAB, VK_SHIFT);
    EXPECT_TRUE(w.Downs.empty());  // posted, not sent
    QCoreApplication::processEvents();
    ASSERT_EQ(w.Downs.size(), 1u);
    EXPECT_EQ(w.Downs[0].first, Qt::Key_Tab);
    EXPECT_EQ(w.Downs[0].second, Qt::ShiftModifier);
    EXPECT_EQ(w.Ups, 1);
}

TEST(ControlRoutines, FilterEscapeConsumesEscAndSwitchesTheFilterOff)
{
    TdkTable table;
    QWidget target;
    EXPECT_FALSE(dkCheckFilterEscape(&table));
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&target, &other);
    EXPECT_FALSE(dkCheckFilterEscape(&table));
    EXPECT_TRUE(table.OnFilterOptions().Contains(ofoEnabled));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&target, &esc);
    EXPECT_TRUE(dkCheckFilterEscape(&table));
    EXPECT_FALSE(table.OnFilterOptions().Contains(ofoEnabled));
    EXPECT_FALSE(dkCheckFilterEscape(&table));  // consumed
}

}  // namespace
