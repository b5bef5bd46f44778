#pragma once
// TStatus4Frm: the shared progress window of long engine operations (index
// builds, pack, reindex, table copies). The upper gauge shows the current
// operation, the lower one the whole run of StatusSchritte operations.
//
// Progress arrives as key-down codes that carry the negated percentage
// (65535 = 1 %, 65436 = 100 %); the engine's gauge hook reaches the window
// through EngineGauge, which turns the hook's (done, total) into exactly
// that protocol. Esc released in the window sets EscAbbruch.

#include <cstdint>

#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "shared/qk_gauge.h"

// Number of engine operations the caller runs under one window; set before
// the window is shown.
extern uint16_t StatusSchritte;
// Finished steps, 100 per finished operation; 0 when the window shows.
extern int32_t StatusGesamt;
// 1 after Esc in the progress window (or the copy dialog); read and reset by
// the copy dialog.
extern int32_t EscAbbruch;

class TStatus4Frm : public TForm {
public:
    explicit TStatus4Frm(TComponent* AOwner);

    TPanel* Panel1;
    TLabel* Label1;
    TQKGauge* QKGauge1;
    TPanel* Panel2;
    TLabel* Label2;
    TQKGauge* QKGauge2;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);

    // Delivers one percentage (1 .. 100) as the engine's key message would.
    void Fortschritt(int Prozent);
    // The engine's gauge hook, for dbe_SetGaugeHook(&TStatus4Frm::GaugeHook,
    // form): done of total within one step. Each engine operation is one
    // step: it ends with 100, and the next report (0 or any percentage)
    // begins the next. Each new whole percentage goes to Fortschritt.
    static void GaugeHook(void* context, uint32_t done, uint32_t total);
    void EngineGauge(uint32_t done, uint32_t total);

private:
    int lastPercent_ = 0;
};
