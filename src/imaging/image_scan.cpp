// The image window's acquisition from scanners and cameras (through SANE,
// see twain_settings.h).

#include "imaging/image_window.h"
#include "imaging/twain_settings.h"
#include "platform/ui/forms.h"

namespace {

// A scan lets events through (Esc cancels it); a second one asked for
// meanwhile is refused.
bool g_acquiring = false;

struct TAcquiring {
    TAcquiring() { g_acquiring = true; }
    ~TAcquiring() { g_acquiring = false; }
};

const char* const kNoPaper = "Error: No (more) paper in feeder. \r\nPlease make sure that there is paper in the feeder\r\n"
                             "and restart scanning operation.";

}  // namespace

TLLTwain* TImageWindow::GetTwain()
{
    if (!twain_)
        twain_ = std::make_shared<TLLTwain>(this);
    return twain_.get();
}

bool TImageWindow::Acquire(TLLTwain* settings, const QString& fileName)
{
    if (g_acquiring)
        return false;
    TAcquiring acquiring;
    // Without settings: the chosen source with its own settings.
    TLLTwain plain(this);
    if (!settings && twain_)
        plain.SetSource(twain_->Source());
    TLLTwain* t = settings ? settings : &plain;
    TPicImage img;
    TPicError err;
    TScanSession::TResult result = TScanSession::srFailed;
    WithProgress(10, 5, 200, [&] { result = t->Acquire(img, err); });
    if (result == TScanSession::srPicture) {
        holder_->Replace(img);
        if (!fileName.isEmpty() && holder_->SaveImageToFile(fileName, 0, 0))
            Modified = false;
    } else {
        // No source, a cancelled or failed scan, an empty feeder without
        // automatic feeding: the library's acquisition error.
        ReportError(peTwain, err.Text, poInvoke, kTwainSourceList, "Twain", 0, false);
        if (!holder_->HasImage())
            holder_->MakeBlank();
    }
    holder_->Redraw(true);
    return result == TScanSession::srPicture;
}

bool TImageWindow::AcquireFromScanner()
{
    return Acquire(nullptr, QString());
}

bool TImageWindow::AcquireNextFromFeeder()
{
    if (g_acquiring)
        return false;
    TLLTwain* t = GetTwain();
    const bool feeding = t->GetFeederEnabled()->GetValue() && t->GetAutoFeed()->GetValue();
    if (feeding && !t->GetFeederLoaded()->GetValue()) {
        Application->MessageBox(kNoPaper, "Information", MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (feeding) {
        TAcquiring acquiring;
        // The feeder that runs empty during the run ends it with the same message.
        TPicImage img;
        TPicError err;
        TScanSession::TResult result = TScanSession::srFailed;
        WithProgress(10, 5, 200, [&] { result = t->Acquire(img, err); });
        if (result == TScanSession::srNoDocuments) {
            Application->MessageBox(kNoPaper, "Information", MB_OK | MB_ICONINFORMATION);
            holder_->Redraw(true);
            return false;
        }
        if (result == TScanSession::srPicture) {
            holder_->Replace(img);
        } else {
            ReportError(peTwain, err.Text, poInvoke, kTwainSourceList, "Twain", 0, false);
        }
        holder_->Redraw(true);
        return result == TScanSession::srPicture;
    }
    return Acquire(t, QString());
}
