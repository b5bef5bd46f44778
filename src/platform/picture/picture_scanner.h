#pragma once
// Scanners and cameras through SANE, standing in for the TWAIN acquisition
// of the image libraries: the list of sources, a session on one source
// whose options (resolution, document feeder, any device option by its
// SANE name) are read and set, and one picture scanned at a time. A session
// stays open between pictures, so a document feeder delivers its pages one
// after another until it reports that it is empty.
//
// Every SANE call runs in a helper process of the program's own (a fork),
// one per session: a backend that hangs (one can hang in its cancel, its
// reader thread cancelled inside the allocator) hangs that process only. The
// program waits for the helper in short steps, asking the scan's `cancelled`
// (which lets events through, so the window lives), and ends a helper that
// stays silent longer than the watchdog allows: the call then fails. A scan
// that ends without a picture is told first and cancelled after, by a helper
// that then ends; the session goes on in a new one, with the options set so
// far. SANE reads its configuration from $SANE_CONFIG_DIR (else its own
// folders) in each helper; options set on a source stay for the program's
// later sessions on it.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

#include "platform/picture/picture_io.h"

struct TScanSource {
    QString Name;         // the SANE device name, "test:0"
    QString Description;  // vendor, model and kind
};

// One option of a source as its descriptor describes it, with its value:
// what a settings window is built from.
struct TScanOption {
    enum TKind : qint32 { soBool, soInt, soFixed, soString, soButton, soGroup };
    QString Name;         // the SANE name ("resolution"); empty for a group
    QString Title;        // the text to show
    QString Description;  // longer help text
    qint32 Kind = soInt;
    qint32 Unit = 0;      // SANE_Unit: 0 none, 1 pixel, 2 bit, 3 mm, 4 dpi, 5 %, 6 µs
    bool Active = true;   // an inactive option is shown but cannot be changed
    bool Settable = true;  // false for read-only ones (and for arrays of values)
    bool HasRange = false;
    double Min = 0, Max = 0, Quant = 0;  // the range (Quant 0: any step)
    QStringList Choices;  // a string list, or the numbers a word list allows
    QString Value;        // as Option() gives it
};

// The sources SANE finds; false (and the error) when SANE cannot start.
bool ScanSources(QList<TScanSource>& sources, TPicError& err);

// How long a helper may stay silent (between the pieces of a scan, or
// before any answer) before it counts as hung; 60 s unless set.
void SetScanWatchdog(std::chrono::milliseconds silence);
// Test seam: called inside the helper at "read" (before each piece the
// source sends) and at "cancel" (before a scan without a picture is
// cancelled); a fault that never returns is a hanging backend.
void SetScanHelperFault(std::function<void(const QString& point)> fault);
// Helpers told to end that have not yet; one that is still there after the
// watchdog's time hangs and is killed (looked at by every scanning call and
// by this count). A helper ends with the program too.
int RunningScanHelpers();

class TScanHelper;

class TScanSession {
public:
    TScanSession();
    ~TScanSession();
    TScanSession(const TScanSession&) = delete;
    TScanSession& operator=(const TScanSession&) = delete;

    // Opens a source; an empty name opens the first one found.
    bool Open(const QString& source, TPicError& err);
    bool IsOpen() const { return open_; }
    QString Source() const { return source_; }
    void Close();

    bool HasOption(const QString& name) const;
    // False for an option the source marks as read-only or inactive.
    bool OptionWritable(const QString& name) const;
    // The value as text (numbers in decimal, booleans "1"/"0").
    QString Option(const QString& name) const;
    // The values a string option offers.
    QStringList OptionChoices(const QString& name) const;
    // Sets an option from text: a number, "1"/"0"/"yes"/"no" for a switch,
    // one of the offered strings.
    bool SetOption(const QString& name, const QString& value, TPicError& err);

    // Every option of the source in its order, groups included; empty when
    // none is open.
    QList<TScanOption> Options() const;
    // Presses a button option ("calibrate", "clear-cache").
    bool PressButton(const QString& name, TPicError& err);

    // The feeder entry of the "source" option ("Automatic Document
    // Feeder", "ADF ..."), empty when the source has none.
    QString FeederChoice() const;

    enum TResult { srPicture, srNoDocuments, srFailed };
    // Scans one picture. srNoDocuments: the feeder is empty. `cancelled`
    // is asked between the pieces the source sends; when it says so the
    // scan stops as a cancelled one (srFailed).
    TResult Scan(TPicImage& out, TPicError& err, const std::function<bool()>& cancelled = {});

private:
    // A helper with the source open and the options set so far; false
    // (and the error) when none can be started.
    bool Ready(TPicError& err) const;
    // One request whose answer is done-or-not and an error.
    bool Command(const QByteArray& request, TPicError& err);
    mutable std::unique_ptr<TScanHelper> helper_;
    bool open_ = false;
    mutable QString source_;  // the source the first helper opened
};

// The source the reader library's scans use: the one chosen last, else
// (empty) the first found.
QString ScanChosenSource();
void SetScanChosenSource(const QString& name);

// Text of a SANE status for messages.
QString ScanStatusText(int status);
