#include "report/output/rg_spooler.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include "report/output/rg_types.h"

namespace {

// The options of a job, freed with the object.
class TOptions {
public:
    ~TOptions() { cupsFreeOptions(count_, options_); }
    void Add(const char* name, const QString& value)
    {
        if (!value.isEmpty())
            count_ = cupsAddOption(name, value.toUtf8().constData(), count_, &options_);
    }
    int Count() const { return count_; }
    cups_option_t* Options() const { return options_; }

private:
    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

class TCupsSpooler : public TrgSpooler {
public:
    int Submit(const TrgSpoolJob& job) override
    {
        TOptions options;
        options.Add("copies", QString::number(qMax(1, job.Copies)));
        options.Add("Collate", job.Collate ? "True" : "False");
        options.Add("media", job.Media);
        options.Add("sides", job.Sides);
        options.Add("media-source", job.MediaSource);
        options.Add("document-format", "application/pdf");
        const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, job.Queue.toUtf8().constData(),
                                      job.FileName.toLocal8Bit().constData(), job.Title.toUtf8().constData(),
                                      options.Count(), options.Options());
        if (id <= 0)
            throw EPrintError(QString("Der Druckauftrag \"%1\" wurde vom Drucker \"%2\" abgelehnt: %3")
                                  .arg(job.Title, job.Queue, QString::fromUtf8(cupsLastErrorString())));
        return id;
    }
};

}  // namespace

std::unique_ptr<TrgSpooler> rgCreateCupsSpooler()
{
    return std::make_unique<TCupsSpooler>();
}

QString rgMediaKeywordForSize(int widthTenths, int heightTenths)
{
    const pwg_media_t* media = pwgMediaForSize(widthTenths * 10, heightTenths * 10);
    return media && media->pwg ? QString::fromUtf8(media->pwg) : QString();
}
