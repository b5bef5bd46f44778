// The engine's form registry and the cancel dialog: a later registration
// replaces an earlier one, unknown names give none, the dialog shows its
// progress message in the report's language and cancels through its hook.
#include "report/output/rg_forms.h"

#include <gtest/gtest.h>

#include "platform/ui/std_ctrls.h"
#include "preview_fixtures.h"
#include "report/output/rg_cancel_dialog.h"
#include "report/output/rg_strings.h"

using namespace rgtest;

namespace {

class FirstPreview : public TrgCustomPreviewer {
public:
    using TrgCustomPreviewer::TrgCustomPreviewer;
};
class SecondPreview : public TrgCustomPreviewer {
public:
    using TrgCustomPreviewer::TrgCustomPreviewer;
    int languageChanges = 0;
    int reportsAssigned = 0;

protected:
    void LanguageChanged() override { ++languageChanges; }
    void ReportAssigned() override { ++reportsAssigned; }
};

class FormRegistryTest : public PreviewTest {
protected:
    void TearDown() override
    {
        rgClearFormClasses();
        PreviewTest::TearDown();
    }
};

}  // namespace

TEST_F(FormRegistryTest, ALaterRegistrationReplacesTheEarlierAndUnknownNamesGiveNone)
{
    EXPECT_EQ(rgGetFormClass("TrgCustomPreviewer"), nullptr);
    EXPECT_EQ(rgCreateForm<TrgCustomPreviewer>(nullptr), nullptr);

    rgRegisterFormClass<TrgCustomPreviewer, FirstPreview>("FirstPreview");
    rgRegisterFormClass<TrgCustomPreviewer, SecondPreview>("SecondPreview");
    ASSERT_NE(rgGetFormClass("TrgCustomPreviewer"), nullptr);
    EXPECT_EQ(rgGetFormClass("TrgCustomPreviewer")->ClassName, "SecondPreview");
    std::unique_ptr<TrgCustomPreviewer> form(rgCreateForm<TrgCustomPreviewer>(nullptr));
    EXPECT_NE(dynamic_cast<SecondPreview*>(form.get()), nullptr);

    EXPECT_EQ(rgGetFormClass("TrgCustomTemplateDialog"), nullptr);
    EXPECT_EQ(rgGetFormClass("TrgUnknownDialog"), nullptr);
    EXPECT_EQ(rgCreateForm<TrgCustomPrintDialog>(nullptr), nullptr);
}

TEST_F(FormRegistryTest, LanguageAndReportReachTheFormAndItsHooksRun)
{
    QStringList log;
    {
        SecondPreview form(nullptr);
        EXPECT_EQ(form.LanguageIndex(), rgEnglishBase);
        form.SetLanguageIndex(rgGermanBase);
        EXPECT_EQ(form.languageChanges, 1);
        EXPECT_EQ(form.LanguageString(23), "Druckvorschau");
        FakeReport report(1);
        form.SetReport(&report);
        EXPECT_EQ(form.reportsAssigned, 1);
        EXPECT_EQ(form.FormReport(), &report);
        TComponent other(nullptr);
        form.SetReport(&other);
        EXPECT_EQ(form.FormReport(), nullptr) << "a component that is no report";
        form.OnActivateHook = [&](TrgForm*) { log << "activate"; };
        form.OnDestroyHook1 = [&](TrgForm*) { log << "destroy 1"; };
        form.OnDestroyHook2 = [&](TrgForm*) { log << "destroy 2"; };
        form.Activate();
    }
    EXPECT_EQ(log, (QStringList{"activate", "destroy 1", "destroy 2"}));
}

TEST_F(FormRegistryTest, CancelDialogShowsItsMessageInGermanAndCancelsThroughItsHook)
{
    TrgCancelDialog::Register();
    TrgCustomCancelDialog* dialog = rgCreateForm<TrgCustomCancelDialog>(nullptr);
    ASSERT_NE(dialog, nullptr);
    auto* concrete = dynamic_cast<TrgCancelDialog*>(dialog);
    ASSERT_NE(concrete, nullptr);
    dialog->SetLanguageIndex(rgGermanBase);
    EXPECT_EQ(dialog->Caption(), "Drucken");
    EXPECT_EQ(concrete->btnCancel->Caption(), "Abbrechen");
    // The button is centred under the message.
    EXPECT_LE(std::abs(concrete->btnCancel->Left() * 2 + concrete->btnCancel->Width() - dialog->ClientWidth()), 1);
    EXPECT_EQ(concrete->memMessage->Text(), "");

    const QString message = rgFillMessageTags(rgLoadString(rgGermanBase + 27),
                                              {"2", "Bilderliste", "Laser"});
    dialog->SetMessage(message);
    EXPECT_EQ(dialog->Message(), message);
    EXPECT_EQ(concrete->memMessage->Text(), message);

    EXPECT_FALSE(concrete->btnCancel->Enabled());
    dialog->CancelEnabled = true;
    dialog->Show();
    EXPECT_TRUE(concrete->btnCancel->Enabled());
    Screenshot(dialog->Handle(), "rg_cancel_dialog_de");

    int cancels = 0;
    dialog->OnCancelHook = [&](TrgCustomCancelDialog* sender) {
        EXPECT_EQ(sender, dialog);
        ++cancels;
    };
    concrete->btnCancel->Click();
    EXPECT_EQ(cancels, 1);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(FormRegistryTest, CloseTimerEndsTheModalDisplayWithOK)
{
    TrgCancelDialog dialog(nullptr);
    EXPECT_FALSE(dialog.CloseTimer()->Enabled());
    EXPECT_EQ(dialog.CloseTimer()->Interval(), 10);
    dialog.EnableTimer();
    EXPECT_TRUE(dialog.CloseTimer()->Enabled());
    dialog.CloseTimer()->Timer();
    EXPECT_EQ(dialog.ModalResult, mrOk);
    EXPECT_FALSE(dialog.CloseTimer()->Enabled());
}

TEST_F(FormRegistryTest, AModelessCancelDialogDisablesTheActiveFormWhileItShows)
{
    TForm owner(nullptr);
    owner.Show();
    owner.Handle()->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(Screen->ActiveForm(), &owner);
    TrgCancelDialog dialog(nullptr);
    dialog.Show();
    EXPECT_EQ(dialog.DisabledForm(), &owner);
    EXPECT_FALSE(owner.Enabled());
    dialog.Hide();
    EXPECT_TRUE(owner.Enabled());
    EXPECT_EQ(dialog.DisabledForm(), nullptr);
}

TEST_F(FormRegistryTest, ADisabledFormFreedFirstIsForgotten)
{
    auto* owner = new TForm(nullptr);
    owner->Show();
    owner->Handle()->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(Screen->ActiveForm(), owner);
    TrgCancelDialog dialog(nullptr);
    dialog.Show();
    ASSERT_EQ(dialog.DisabledForm(), owner);
    delete owner;
    EXPECT_EQ(dialog.DisabledForm(), nullptr);
    dialog.Hide();
}
