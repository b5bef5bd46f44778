#include "report/engine/rg_engine_forms.h"

#include "report/engine/rg_barcode_dialog.h"
#include "report/engine/rg_form_hooks.h"
#include "report/engine/rg_template_dialogs.h"
#include "report/output/rg_cancel_dialog.h"
#include "report/output/rg_preview_form.h"
#include "report/output/rg_print_dialog.h"

void rgRegisterEngineForms()
{
    TrgPrintPreview::Register();
    TrgPrintDialog::Register();
    TrgCancelDialog::Register();
    TrgTemplateErrorDialog::Register();
    TrgTemplateDialog::Register();
    TrgBarCodeDialog::Register();
}

void rgInstallEngineForms()
{
    rgFormHooks().RegisterForms = rgRegisterEngineForms;
}
