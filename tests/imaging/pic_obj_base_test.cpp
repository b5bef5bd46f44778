// The image control base: library errors reach OnLLError or the details
// dialog, the TWAIN failure its own message, and nothing at all while the
// error dialog is switched off.

#include <gtest/gtest.h>

#include "imaging/pic_obj_base.h"
#include "platform/picture/picture_io.h"
#include "imaging_fixture.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"

namespace {

class TTestPicControl : public TPicObjBase {
public:
    using TPicObjBase::TPicObjBase;
};

}  // namespace

TEST(PicObjBase, ErrorsShowTheDetailsDialog)
{
    TTestPicControl control(nullptr);
    ASSERT_NE(control.LibraryObject(), nullptr);
    EXPECT_TRUE(control.ErrorDialogEnabled());
    EXPECT_EQ(control.LibraryObject()->ErrorDialogMode, 2);
    EXPECT_EQ(control.LibraryObject()->ApplicationName(), "MyApp");
    TPromptScript script;
    QStringList values;
    script.Modal<TDlgError>([&](TDlgError& dlg) {
        EXPECT_EQ(dlg.Caption(), "Picture Objects Error Handler");
        EXPECT_EQ(dlg.Location->Caption(), "Location");
        for (int i = 0; i < 8; ++i)
            values << dlg.ValueLabel(i)->Caption();
        EXPECT_EQ(dlg.CaptionLabel(7)->Caption(), "Message :");
        imgtest::Shot(dlg, "imaging_error_dialog");
        dlg.OkButton->Click();
    });
    control.ReportError(1004, "Die Bilddatei ist beschädigt.", poCopy, 0x01010001, "Width", 0, true);
    ASSERT_EQ(values.size(), 8);
    EXPECT_EQ(values, QStringList({"MyApp", "Images", "Copy", "Width", "01010001", "Image", "Ptr or String",
                                   "Die Bilddatei ist beschädigt."}));
}

TEST(PicObjBase, SwitchedOffOrSuppressed)
{
    TTestPicControl control(nullptr);
    int calls = 0;
    control.OnLLError = [&](TPicObjBase* sender, bool& callStd, TPicObjError* error) {
        ++calls;
        EXPECT_EQ(sender, &control);
        EXPECT_TRUE(error->ErrorCode() == 1004 || error->ErrorCode() == peTwain);
        callStd = false;
    };
    {
        TPromptScript script;  // nothing may be shown
        control.ReportError(1004, "x");
        EXPECT_EQ(calls, 1);
        control.ReportError(peTwain, QString());
        EXPECT_EQ(calls, 2);
        control.SetErrorDialogEnabled(false);
        EXPECT_EQ(control.LibraryObject()->ErrorDialogMode, 0);
        control.ReportError(peTwain, QString());
        EXPECT_EQ(calls, 2);  // switched off: not even the event
    }
}

TEST(PicObjBase, TwainFailureShowsItsOwnMessage)
{
    TTestPicControl control(nullptr);
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, "No TWAIN device available");
    control.ReportError(peTwain, QString());
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text,
              "Error attempting to acquire an image.No TWAIN device available or scan operation aborted");
    EXPECT_TRUE(script.Records()[0].Flags & MB_ICONERROR);
}

TEST(PicObjError, Texts)
{
    const struct { int op; const char* text; } ops[] = {
        {1, "New"}, {2, "Del"}, {3, "Access"}, {4, "Assign"}, {5, "Invoke"}, {6, "Copy"},
        {0, ""}, {50, ""}, {100, ""}, {101, "101"}, {150, "150"},
    };
    for (const auto& o : ops) {
        TPicErrorRecord r;
        r.Operation = o.op;
        EXPECT_EQ(TPicObjError(r).OperationText(), o.text) << o.op;
    }
    const struct { uint32_t prop; const char* family; const char* cls; } props[] = {
        {0x00000001, "Object", "Context"}, {0x00010000, "Object", "Abstract"}, {0x00030008, "Object", "Application"},
        {0x01010001, "Images", "Image"}, {0x02030000, "Business", "Axis X"}, {0x03020000, "MultiMedia", "AVI"},
        {0x04000000, "", "Unknown"}, {0x01990000, "Images", "Unknown"},
    };
    for (const auto& p : props) {
        TPicErrorRecord r;
        r.Property = p.prop;
        EXPECT_EQ(TPicObjError(r).FamilyText(), p.family) << std::hex << p.prop;
        EXPECT_EQ(TPicObjError(r).ClassText(), p.cls) << std::hex << p.prop;
    }
    TPicErrorRecord r;
    EXPECT_EQ(TPicObjError(r).ParameterText(), "");
    r.Parameter = -7;
    EXPECT_EQ(TPicObjError(r).ParameterText(), "-7");
    EXPECT_EQ(TPicObjError(r).ApplicationText(), "");
}
