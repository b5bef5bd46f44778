#pragma once
// TQKWAV: plays WAVE files through the sound layer, reads a file's format
// and length when FileName is set and, when visible, draws its wave form.
// Silence mutes every call.

#include <cstdint>

#include "platform/core/exceptions.h"
#include "platform/ui/control.h"

using TQKAboutString = QString;

enum TwFlag { SYNC, ASYNC, NODEFAULT, LOOP, NOSTOP };
using TwFlags = TSet<TwFlag>;

// The six failures of reading a WAVE file (English texts, as the library
// raises them).
class EWaveError : public Exception {
public:
    using Exception::Exception;
};

// What the "fmt " and "data" chunks of a WAVE file say.
struct TWaveFormat {
    uint16_t FormatTag = 0;
    uint16_t Channels = 0;
    int32_t SamplesPerSec = 0;
    uint32_t AvgBytesPerSec = 0;
    int32_t DataSize = 0;
};

// Reads the format of a WAVE file (a Linux path): the RIFF chunk of form
// "WAVE", its "fmt " chunk and, after it, its "data" chunk. Raises
// EWaveError with the library's text on each failure.
TWaveFormat ReadWaveFormat(const QString& linuxPath);

class TQKWAV : public TCustomControl {
public:
    explicit TQKWAV(TComponent* AOwner);

    TQKAboutString About_Quillkit() const { return QStringLiteral("15.11.96"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    TwFlags SNDFlags() const { return sndFlags_; }
    void SetSNDFlags(TwFlags v) { sndFlags_ = v; }
    QString FileName() const { return fileName_; }
    // Reads the file's format (all values 0 first; a missing file leaves
    // them so) and repaints; raises EWaveError, the new name staying set.
    void SetFileName(const QString& v);
    bool Silence() const { return silence_; }
    void SetSilence(bool v) { silence_ = v; }
    uint16_t FormatTag() const { return format_.FormatTag; }
    uint16_t Channels() const { return format_.Channels; }
    int32_t SamplesPerSec() const { return format_.SamplesPerSec; }
    int32_t DataSize() const { return format_.DataSize; }
    float PlayTime() const { return playTime_; }

    // The system's sound flags of a flag set.
    static unsigned SoundFlags(TwFlags flags);

    bool Play();
    void Beep();
    // An empty name stops the sound that plays.
    bool PlayWAV(const QString& Name, TwFlags Flags);
    bool StartLoop(const QString& Name);
    bool StopWav();
    void WaitWAV() {}

    void Paint() override;

private:
    TwFlags sndFlags_{ASYNC};
    QString fileName_;
    bool silence_ = false;
    TWaveFormat format_;
    float playTime_ = 0;
};
