// The memo dialog component and its editor window: placement, view-only,
// the cancel question, confirming with F2 or Ctrl+Enter, and the grid's
// memo cells opening it.

#include "grid_fixture.h"

#include "datagrid/dk_memo_dialog.h"
#include "platform/ui/std_ctrls.h"

#include <QFile>
#include <QPlainTextEdit>

namespace {

void TypeInto(TWinControl* c, const QString& text)
{
    for (QChar ch : text)
        lxui_test::SendKey(c->Handle(), 0, QString(ch));
}

}  // namespace

class MemoDialogTest : public GridTest {
protected:
    void MakeNotes()
    {
        MakeTable("BILDER.DBF", AlbumFields(), 2, [this](int i) {
            Text("ShortDesc", "Bild " + std::to_string(i));
            if (i == 1)
                dbe_Replace("Notiz", DBE_REPL_MEMO, "Am Strand");
            if (i == 2) {
                std::string file = File("thumb.bin");
                QFile f(QString::fromStdString(file));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(QByteArray("\xff\xd8\x00\x10JFIF\x00\x01", 10));
                f.close();
                dbe_Replace("Notiz", DBE_REPL_FILEBLOB, file.c_str());
            }
        });
    }
};

TEST_F(MemoDialogTest, PlacementFollowsDlgLeftAndDlgTop)
{
    struct Case {
        int left, top, width, height, wantWidth, wantHeight;
    };
    for (Case c : {Case{-1, 0, 300, 200, 561, 395}, Case{0, 0, 561, 396, 561, 396}, Case{40, 30, 400, 300, 400, 300}}) {
        TdkMemoDialog dlg(nullptr);
        dlg.DlgLeft = c.left;
        dlg.DlgTop = c.top;
        dlg.DlgWidth = c.width;
        dlg.DlgHeight = c.height;
        dlg.Caption = "Notiz";
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            EXPECT_EQ(f.Width(), c.wantWidth);
            EXPECT_EQ(f.Height(), c.wantHeight);
            EXPECT_EQ(f.Caption(), "Notiz");
            if (c.left > 0) {
                EXPECT_EQ(f.Left(), c.left);
            }
            // No data source: the memo keeps its own text.
            EXPECT_EQ(static_cast<TdkMemoDlg&>(f).Memo->Text(), "Memo");
            f.ModalResult = mrOk;
        });
        EXPECT_TRUE(dlg.Execute());
    }
}

TEST_F(MemoDialogTest, ViewOnlyHasNoCancelAndNeverWrites)
{
    MakeNotes();
    OpenGrid({"ShortDesc", "Notiz"});
    TdkMemoDialog dlg(nullptr);
    dlg.SetDataSource(source.get());
    dlg.SetDataField("Notiz");
    dlg.MemoAttributes = {mViewOnly};
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
        auto& d = static_cast<TdkMemoDlg&>(f);
        EXPECT_FALSE(d.CancelBtn->Visible());
        EXPECT_TRUE(d.Memo->ReadOnly());
        EXPECT_EQ(d.Memo->Text(), "Am Strand");
        EXPECT_EQ(d.OKBtn->Left(), d.Memo->Width() / 2 - d.CancelBtn->Width() / 2 + d.Memo->Left());
        f.ModalResult = mrOk;
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(MemoDialogTest, EscAsksAndNoKeepsTheEditorOpen)
{
    MakeNotes();
    OpenGrid({"ShortDesc", "Notiz"});
    TdkMemoDialog dlg(nullptr);
    dlg.SetDataSource(source.get());
    dlg.SetDataField("Notiz");
    int inits = 0, closes = 0;
    dlg.OnInitDialog = [&](TdkMemoDlg* d) { inits += d != nullptr; };
    dlg.OnCloseDialog = [&](TdkMemoDlg*) { ++closes; };
    TPromptScript script;
    script
        .Modal([&](TCustomForm& f) {
            auto& d = static_cast<TdkMemoDlg&>(f);
            d.Memo->Editor()->moveCursor(QTextCursor::End);
            TypeInto(d.Memo, " mit Wellen");
            lxui_test::SendKey(d.Memo->Handle(), Qt::Key_Escape);
            EXPECT_EQ(f.ModalResult, mrCancel);
            f.CloseModal();  // the question: No
            EXPECT_EQ(f.ModalResult, mrNone);
            EXPECT_EQ(d.Memo->Text(), "Am Strand mit Wellen");
            f.ModalResult = mrCancel;  // the question again: Yes
        })
        .Answer(mrNo, "Changes have been made!  Are you sure you wish to cancel?")
        .Answer(mrYes, "Changes have been made!  Are you sure you wish to cancel?");
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->FieldByName("Notiz")->AsString(), "Am Strand");
}

TEST_F(MemoDialogTest, F2AndCtrlEnterConfirmAndWriteTheField)
{
    MakeNotes();
    OpenGrid({"ShortDesc", "Notiz"});
    for (bool f2 : {true, false}) {
        TdkMemoDialog dlg(nullptr);
        dlg.SetDataSource(source.get());
        dlg.SetDataField("Notiz");
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& d = static_cast<TdkMemoDlg&>(f);
            d.Memo->SetText(f2 ? "Erste" : "Zweite");
            lxui_test::SendKey(d.Memo->Handle(), f2 ? Qt::Key_F2 : Qt::Key_Return, {},
                               f2 ? Qt::NoModifier : Qt::ControlModifier);
            EXPECT_EQ(f.ModalResult, mrOk);
        });
        EXPECT_TRUE(dlg.Execute());
        EXPECT_EQ(table->State(), dsEdit);  // written, not posted
        EXPECT_EQ(table->FieldByName("Notiz")->AsString(), f2 ? "Erste" : "Zweite");
    }
    table->Post();
    EXPECT_EQ(std::string(dbe_Use(File("BILDER.DBF").c_str(), "M", DBE_READONLY, DBE_TYPE_FOX) ? "" : "x"), "");
    dbe_Go(1);
    char* memo = dbe_GetMemo("Notiz", 0);
    EXPECT_STREQ(memo, "Zweite");
    dbe_MemDealloc(memo);
    dbe_Close();
}

TEST_F(MemoDialogTest, AFieldNameTheDatasetLacksFailsBeforeTheWindow)
{
    MakeNotes();
    OpenGrid({"ShortDesc", "Notiz"});
    TdkMemoDialog dlg(nullptr);
    dlg.SetDataSource(source.get());
    dlg.SetDataField("Fehlt");
    TPromptScript script;  // no window expected
    EXPECT_ANY_THROW(dlg.Execute());
}

TEST_F(MemoDialogTest, GridOpensTheMemoCellAndBinaryMemosOnlyShow)
{
    MakeNotes();
    OpenGrid({"ShortDesc", "Notiz"});
    QStringList events;
    grid->OnMemoOpen = [&](TdkDBGrid*, TdkMemoDialog* d) { events << "open:" + d->Caption; };
    grid->OnMemoClose = [&](TdkDBGrid*, bool cancel) { events << (cancel ? "cancel" : "ok"); };
    Key(Qt::Key_Right);
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& d = static_cast<TdkMemoDlg&>(f);
            EXPECT_EQ(d.Memo->Text(), "Am Strand");
            EXPECT_FALSE(d.Memo->ReadOnly());
            f.ModalResult = mrCancel;
        });
        Key(Qt::Key_F2);
    }
    EXPECT_EQ(events, (QStringList{"open:NOTIZ", "cancel"}));
    // A thumbnail-like memo with zero bytes opens view-only and is never written.
    Key(Qt::Key_Down);
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            auto& d = static_cast<TdkMemoDlg&>(f);
            EXPECT_TRUE(d.Memo->ReadOnly());
            EXPECT_FALSE(d.CancelBtn->Visible());
            f.ModalResult = mrOk;
        });
        Key(Qt::Key_F2);
    }
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->FieldByName("Notiz")->DataType(), ftMemo);
    EXPECT_EQ(static_cast<TBlobField*>(table->FieldByName("Notiz"))->AsBytes().size(), 10);
}

TEST_F(MemoDialogTest, Screenshot)
{
    TdkMemoDialog dlg(nullptr);
    dlg.Caption = "Notiz zum Bild";
    dlg.UserButton1Caption = "Datum";
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
        auto& d = static_cast<TdkMemoDlg&>(f);
        EXPECT_TRUE(d.UserButtonPanel->Visible());
        EXPECT_TRUE(d.UserButton1->Visible());
        EXPECT_FALSE(d.UserButton2->Visible());
        QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(dir);
        EXPECT_TRUE(f.Handle()->grab().toImage().save(dir + "/memo_dialog.png"));
        f.ModalResult = mrOk;
    });
    EXPECT_TRUE(dlg.Execute());
}
