#pragma once
// A spooler double for printing tests: it records each job it is handed
// and keeps a copy of the job file (the printer deletes its own), or
// refuses every job with a given message.

#include <QFile>
#include <QString>

#include <vector>

#include "report/output/rg_spooler.h"
#include "report/output/rg_types.h"

namespace rgtest {

// Records what reaches it and keeps a copy of each job file.
class TRecordingSpooler : public TrgSpooler {
public:
    TRecordingSpooler(std::vector<TrgSpoolJob>& jobs, QString keepFolder, QString refusal = {})
        : jobs_(jobs), keepFolder_(std::move(keepFolder)), refusal_(std::move(refusal))
    {
    }
    int Submit(const TrgSpoolJob& job) override
    {
        if (!refusal_.isEmpty())
            throw EPrintError(refusal_);
        jobs_.push_back(job);
        const QString copy = keepFolder_ + QString("/job%1.pdf").arg(jobs_.size());
        QFile::copy(job.FileName, copy);
        jobs_.back().FileName = copy;
        return int(jobs_.size());
    }

private:
    std::vector<TrgSpoolJob>& jobs_;
    QString keepFolder_;
    QString refusal_;
};

}  // namespace rgtest
