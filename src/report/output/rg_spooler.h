#pragma once
// Handing a finished print file to the system's spooler. Only a completed
// job gets here: the printer renders into a temporary PDF and submits it
// when the last page is done, so a cancelled job never reaches the spooler.
// Every answer of the spooler is checked; a refusal raises EPrintError with
// the spooler's message.

#include <QString>

#include <memory>

struct TrgSpoolJob {
    QString Queue;        // the printer's device (queue name)
    QString FileName;     // the finished PDF
    QString Title;        // job name shown in the spooler
    int Copies = 1;       // copies the spooler makes
    bool Collate = false; // the copies come as whole documents
    QString Media;        // media keyword ("iso_a4_210x297mm"), empty for the queue's default
    QString Sides;        // "one-sided", "two-sided-long-edge", "two-sided-short-edge", empty for default
    QString MediaSource;  // input tray keyword, empty for the queue's default
};

class TrgSpooler {
public:
    virtual ~TrgSpooler() = default;
    // Submits the job and returns the spooler's job id; raises EPrintError.
    virtual int Submit(const TrgSpoolJob& job) = 0;
};

// The CUPS spooler through libcups.
std::unique_ptr<TrgSpooler> rgCreateCupsSpooler();

// The media keyword of a paper size given in tenths of a millimetre
// (portrait: width the shorter side), a named size when one matches.
QString rgMediaKeywordForSize(int widthTenths, int heightTenths);
