#include "imaging/twain_settings.h"

#include <sane/saneopts.h>

#include <QCoreApplication>
#include <QKeyEvent>

#include "imaging/image_window.h"
#include "platform/core/event_wait.h"

namespace {

// Hears Esc while a scan runs; other events go on as they come.
class TEscWatch : public QObject {
public:
    TEscWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~TEscWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool Pressed()
    {
        LetEventsThrough();
        return pressed_;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            pressed_ = true;
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool pressed_ = false;
};

}  // namespace

// ---- variables ------------------------------------------------------------------

bool TLLBooleanVar::GetValue() const
{
    return object_->ReadBool(attribute_);
}

void TLLBooleanVar::SetValue(bool v)
{
    if (object_->Writable(attribute_))
        object_->WriteBool(attribute_, v);
}

QString TLLStringList::GetText() const
{
    return object_->Source().isEmpty() ? ScanChosenSource() : object_->Source();
}

void TLLStringList::SetText(const QString& v)
{
    object_->SetSource(v);
}

double TLLDoubleList::GetValue() const
{
    return object_->ReadDouble(attribute_);
}

void TLLDoubleList::SetValue(double v)
{
    if (object_->Writable(attribute_))
        object_->WriteDouble(attribute_, v);
}

// ---- TLLTwain ----------------------------------------------------------------------

TLLTwain::TLLTwain(TImageWindow* window)
    : window_(window), sourceList_(std::make_unique<TLLStringList>(this, kTwainSourceList))
{
}

TLLTwain::~TLLTwain() = default;

TLLDoubleList* TLLTwain::GetXResolution()
{
    if (!xRes_)
        xRes_ = std::make_unique<TLLDoubleList>(this, kTwainXResolution);
    return xRes_.get();
}

TLLDoubleList* TLLTwain::GetYResolution()
{
    if (!yRes_)
        yRes_ = std::make_unique<TLLDoubleList>(this, kTwainYResolution);
    return yRes_.get();
}

TLLBooleanVar* TLLTwain::GetFeederEnabled()
{
    if (!feederEnabled_)
        feederEnabled_ = std::make_unique<TLLBooleanVar>(this, kTwainFeederEnabled);
    return feederEnabled_.get();
}

TLLBooleanVar* TLLTwain::GetFeederLoaded()
{
    if (!feederLoaded_)
        feederLoaded_ = std::make_unique<TLLBooleanVar>(this, kTwainFeederLoaded);
    return feederLoaded_.get();
}

TLLBooleanVar* TLLTwain::GetAutoFeed()
{
    if (!autoFeed_)
        autoFeed_ = std::make_unique<TLLBooleanVar>(this, kTwainAutoFeed);
    return autoFeed_.get();
}

bool TLLTwain::EnsureSession(TPicError& err)
{
    return session_.IsOpen() || session_.Open(source_.isEmpty() ? ScanChosenSource() : source_, err);
}

void TLLTwain::SetSource(const QString& name)
{
    if (name == source_)
        return;
    session_.Close();
    source_ = name;
}

bool TLLTwain::Writable(int attribute)
{
    TPicError err;
    if (attribute == kTwainSourceList)
        return true;
    if (attribute == kTwainFeederLoaded || !EnsureSession(err))
        return false;
    switch (attribute) {
    case kTwainXResolution: return session_.OptionWritable(SANE_NAME_SCAN_RESOLUTION);
    case kTwainYResolution:
        return session_.OptionWritable(session_.HasOption(SANE_NAME_SCAN_Y_RESOLUTION) ? SANE_NAME_SCAN_Y_RESOLUTION
                                                                                       : SANE_NAME_SCAN_RESOLUTION);
    case kTwainFeederEnabled:
    case kTwainAutoFeed: return !session_.FeederChoice().isEmpty() && session_.OptionWritable(SANE_NAME_SCAN_SOURCE);
    default: return false;
    }
}

double TLLTwain::ReadDouble(int attribute)
{
    const double stored = attribute == kTwainXResolution ? xResolution_ : yResolution_;
    if (stored > 0)
        return stored;
    TPicError err;
    return EnsureSession(err) ? session_.Option(SANE_NAME_SCAN_RESOLUTION).toDouble() : 0;
}

void TLLTwain::WriteDouble(int attribute, double v)
{
    if (attribute == kTwainXResolution)
        xResolution_ = v;
    else if (attribute == kTwainYResolution)
        yResolution_ = v;
}

bool TLLTwain::ReadBool(int attribute)
{
    switch (attribute) {
    case kTwainFeederEnabled: return feeder_;
    case kTwainAutoFeed: return autoFeedOn_;
    case kTwainFeederLoaded: {
        // A source with a paper sensor tells it; any other reports paper
        // until a scan finds the feeder empty. A source that cannot be
        // reached is no empty feeder: the scan reports it.
        TPicError err;
        if (!EnsureSession(err))
            return true;
        return !session_.HasOption("page-loaded") || session_.Option("page-loaded") == "1";
    }
    default: return false;
    }
}

void TLLTwain::WriteBool(int attribute, bool v)
{
    if (attribute == kTwainFeederEnabled)
        feeder_ = v;
    else if (attribute == kTwainAutoFeed)
        autoFeedOn_ = v;
}

bool TLLTwain::SetDeviceOption(const QString& name, const QString& value, TPicError& err)
{
    return EnsureSession(err) && session_.SetOption(name, value, err);
}

bool TLLTwain::Apply(TPicError& err)
{
    auto set = [&](const QString& name, const QString& value) {
        return session_.Option(name) == value || session_.SetOption(name, value, err);
    };
    if (xResolution_ > 0 && !set(SANE_NAME_SCAN_RESOLUTION, QString::number(xResolution_)))
        return false;
    if (yResolution_ > 0 && session_.HasOption(SANE_NAME_SCAN_Y_RESOLUTION) &&
        !set(SANE_NAME_SCAN_Y_RESOLUTION, QString::number(yResolution_)))
        return false;
    const QString feeder = session_.FeederChoice();
    if (!feeder.isEmpty()) {
        QString wanted = feeder;
        if (!feeder_) {
            for (const QString& s : session_.OptionChoices(SANE_NAME_SCAN_SOURCE))
                if (s != feeder) {
                    wanted = s;
                    break;
                }
        }
        if (!set(SANE_NAME_SCAN_SOURCE, wanted))
            return false;
    }
    return true;
}

TScanSession::TResult TLLTwain::Acquire(TPicImage& out, TPicError& err)
{
    if (!EnsureSession(err) || !Apply(err)) {
        session_.Close();
        return TScanSession::srFailed;
    }
    TEscWatch esc;
    const TScanSession::TResult r = session_.Scan(out, err, [&esc] { return esc.Pressed(); });
    // An empty feeder or a failure ends the session; the next run starts anew.
    if (r != TScanSession::srPicture)
        session_.Close();
    return r;
}
