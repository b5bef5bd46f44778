#pragma once
// Scanners and cameras through SANE, standing in for the TWAIN acquisition
// of the image libraries: the list of sources, a session on one source
// whose options (resolution, document feeder, any device option by its
// SANE name) are read and set, and one picture scanned at a time. A session
// stays open between pictures, so a document feeder delivers its pages one
// after another until it reports that it is empty.
//
// SANE reads its configuration from $SANE_CONFIG_DIR (else its own
// folders) when it first starts, and keeps those folders for the life of
// the process.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "platform/picture/picture_io.h"

struct TScanSource {
    QString Name;         // the SANE device name, "test:0"
    QString Description;  // vendor, model and kind
};

// The sources SANE finds; false (and the error) when SANE cannot start.
bool ScanSources(QList<TScanSource>& sources, TPicError& err);

class TScanSession {
public:
    TScanSession() = default;
    ~TScanSession();
    TScanSession(const TScanSession&) = delete;
    TScanSession& operator=(const TScanSession&) = delete;

    // Opens a source; an empty name opens the first one found.
    bool Open(const QString& source, TPicError& err);
    bool IsOpen() const { return handle_ != nullptr; }
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

    // The feeder entry of the "source" option ("Automatic Document
    // Feeder", "ADF ..."), empty when the source has none.
    QString FeederChoice() const;

    enum TResult { srPicture, srNoDocuments, srFailed };
    // Scans one picture. srNoDocuments: the feeder is empty. `cancelled`
    // is asked between the pieces the source sends; when it says so the
    // scan stops as a cancelled one (srFailed).
    TResult Scan(TPicImage& out, TPicError& err, const std::function<bool()>& cancelled = {});

private:
    int OptionIndex(const QString& name) const;
    void* handle_ = nullptr;
    QString source_;
};

// The source the reader library's scans use: the one chosen last, else
// (empty) the first found.
QString ScanChosenSource();
void SetScanChosenSource(const QString& name);

// Text of a SANE status for messages.
QString ScanStatusText(int status);
