#pragma once
// A private CUPS scheduler for printing tests: its own configuration,
// spool and state under a fresh temporary folder, reached through a socket
// in that folder, with raw queues that write to files. CUPS_SERVER points
// at it while the object lives, so nothing reaches the machine's CUPS.
// Job files stay in the spool folder (PreserveJobFiles), where the tests
// read them with poppler and qpdf; job attributes come from ipptool.
//
//   lxtest::TPrivateCupsd cupsd({"Probe"});
//   ASSERT_EQ(cupsd.Start(), "");   // the reason when cupsd cannot start
//
// Needs Qt Core and libcups in the test program.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <cups/cups.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "test_environment.h"

namespace lxtest {

class TPrivateCupsd {
public:
    // The first queue is the default printer.
    explicit TPrivateCupsd(QStringList queues = {"Probe"}) : queues_(std::move(queues)) {}

    ~TPrivateCupsd()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(10000)) {
                process_.kill();
                process_.waitForFinished(10000);
            }
        }
        if (oldServer_)
            setenv("CUPS_SERVER", oldServer_->c_str(), 1);
        else
            unsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
    }

    TPrivateCupsd(const TPrivateCupsd&) = delete;
    TPrivateCupsd& operator=(const TPrivateCupsd&) = delete;

    // Writes the configuration, starts cupsd and waits until it answers.
    // Returns an empty text, or why the scheduler could not start.
    QString Start()
    {
        if (size_t(Socket().toLocal8Bit().size()) >= sizeof(sockaddr_un::sun_path))
            return "Der Socket-Pfad ist zu lang für einen Unix-Socket: " + Socket();
        for (const char* sub : {"conf", "spool", "cache", "state", "out", "logs"})
            QDir().mkpath(Path(sub));
        QFile::setPermissions(Path("out"), QFileDevice::Permissions(0x7777));
        WriteConfiguration();

        if (const char* old = std::getenv("CUPS_SERVER"))
            oldServer_ = old;
        setenv("CUPS_SERVER", Socket().toLocal8Bit().constData(), 1);
        cupsSetServer(Socket().toLocal8Bit().constData());

        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("/usr/sbin/cupsd", {"-f", "-c", Path("conf/cupsd.conf"), "-s", Path("conf/cups-files.conf")});
        if (!process_.waitForStarted(10000))
            return "cupsd startet nicht: " + process_.errorString();
        // Wait until the scheduler accepts connections, or gives up.
        for (int attempt = 0; attempt < 300; ++attempt) {
            if (process_.state() == QProcess::NotRunning)
                return "cupsd hat sich beendet: " + QString::fromLocal8Bit(process_.readAll());
            if (Accepts())
                return {};
            QThread::msleep(50);
        }
        return "cupsd antwortet nicht: " + QString::fromLocal8Bit(process_.readAll());
    }

    // A queue with a PPD of its own (before Start): the scheduler reads its
    // options and colour from it; queues without one stay raw.
    void SetPpd(const QString& queue, const QString& ppd) { ppds_.insert(queue, ppd); }

    // A small PPD that hands PDF jobs on unchanged and says whether the
    // printer prints colours (ColorDevice); with a resolution, the printer
    // prints at it by default (and offers 600 dpi beside it).
    static QString ColourPpd(const QString& model, bool colourDevice, int resolution = 0)
    {
        QString ppd = QString(R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "PROBE.PPD"
*Manufacturer: "Probe"
*Product: "(%1)"
*ModelName: "%1"
*ShortNickName: "%1"
*NickName: "%1"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: %2
*DefaultColorSpace: %3
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)PPD")
                          .arg(model, colourDevice ? "True" : "False", colourDevice ? "RGB" : "Gray");
        if (resolution > 0)
            ppd += QString(R"PPD(*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 20 AnySetup *Resolution
*DefaultResolution: %1dpi
*Resolution %1dpi/%1 dpi: "<</HWResolution[%1 %1]>>setpagedevice"
%2*CloseUI: *Resolution
)PPD")
                       .arg(resolution)
                       .arg(resolution == 600 ? QString()
                                              : "*Resolution 600dpi/600 dpi: \"<</HWResolution[600 600]>>setpagedevice\"\n");
        return ppd;
    }

    QString Root() const { return dir_.path().c_str(); }
    QString Path(const QString& name) const { return Root() + '/' + name; }
    QString Socket() const { return Path("cups.sock"); }
    QString SpoolFolder() const { return Path("spool"); }

    // The IPP address of a queue through the socket (ipptool's form).
    QString QueueUri(const QString& queue) const { return ServerUri() + "printers/" + queue; }
    // The scheduler itself: requests about every queue's jobs go here.
    QString ServerUri() const { return "ipp://" + QString::fromLatin1(PercentEncoded(Socket())) + "/"; }

    // The preserved document files of all jobs ("d00001-001", ...), sorted.
    QStringList JobFiles() const
    {
        QStringList files;
        for (const QString& name : QDir(SpoolFolder()).entryList({"d*"}, QDir::Files, QDir::Name))
            files << SpoolFolder() + '/' + name;
        return files;
    }

    // The ids of every job the scheduler knows, finished ones included.
    QList<int> JobIds() const
    {
        QList<int> ids;
        const QString out = RunIpp(ServerUri(), {}, R"({
OPERATION Get-Jobs
GROUP operation-attributes-tag
ATTR charset attributes-charset utf-8
ATTR naturalLanguage attributes-natural-language en
ATTR uri printer-uri $uri
ATTR name requesting-user-name $user
ATTR keyword which-jobs all
ATTR keyword requested-attributes job-id
STATUS successful-ok
})");
        static const QRegularExpression line(R"(job-id \(integer\) = (\d+))");
        for (auto it = line.globalMatch(out); it.hasNext();)
            ids << it.next().captured(1).toInt();
        return ids;
    }

    // The attributes of one job as ipptool shows them: name -> value text.
    QMap<QString, QString> JobAttributes(int jobId) const
    {
        QMap<QString, QString> attributes;
        const QString out = RunIpp(ServerUri(), {"-d", "job-id=" + QString::number(jobId)}, R"({
OPERATION Get-Job-Attributes
GROUP operation-attributes-tag
ATTR charset attributes-charset utf-8
ATTR naturalLanguage attributes-natural-language en
ATTR uri printer-uri $uri
ATTR integer job-id $job-id
ATTR name requesting-user-name $user
ATTR keyword requested-attributes all
STATUS successful-ok
})");
        static const QRegularExpression line(R"(^\s+([\w-]+) \([^)]*\) = (.*)$)", QRegularExpression::MultilineOption);
        for (auto it = line.globalMatch(out); it.hasNext();) {
            const auto m = it.next();
            attributes.insert(m.captured(1), m.captured(2).trimmed());
        }
        return attributes;
    }

private:
    // True when the scheduler's socket takes a connection.
    bool Accepts() const
    {
        const QByteArray path = Socket().toLocal8Bit();
        sockaddr_un address{};
        if (size_t(path.size()) >= sizeof(address.sun_path))
            return false;
        address.sun_family = AF_UNIX;
        std::copy(path.begin(), path.end(), address.sun_path);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0)
            return false;
        const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        ::close(fd);
        return connected;
    }

    static QByteArray PercentEncoded(const QString& path)
    {
        QByteArray encoded;
        for (char c : path.toLocal8Bit()) {
            if (c == '/')
                encoded += "%2F";
            else
                encoded += c;
        }
        return encoded;
    }

    QString RunIpp(const QString& uri, const QStringList& defines, const QString& test) const
    {
        const QString file = Path("request.test");
        QFile f(file);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(test.toUtf8());
        f.close();
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start("ipptool", QStringList{"-tv"} + defines + QStringList{uri, file});
        p.waitForFinished(60000);
        return QString::fromLocal8Bit(p.readAll());
    }

    void WriteConfiguration()
    {
        // cupsd refuses to run its helpers as root: as root they run as lp,
        // otherwise as the user running the tests. The system group (root)
        // must differ from the helpers' group.
        QString user, groupName;
        if (getuid() == 0) {
            user = getpwnam("lp") ? "lp" : "nobody";
            groupName = getgrnam("lp") ? "lp" : "nogroup";
        } else {
            const passwd* pw = getpwuid(getuid());
            const struct group* gr = getgrgid(getgid());
            user = pw ? pw->pw_name : QString::number(getuid());
            groupName = gr ? gr->gr_name : QString::number(getgid());
        }
        WriteText("conf/cupsd.conf", QString(R"(Listen %1
LogLevel warn
ErrorLog %2
AccessLog %3
PageLog %4
PreserveJobFiles Yes
PreserveJobHistory Yes
MaxJobs 0
Browsing No
WebInterface No
DefaultAuthType None
<Location />
Order allow,deny
Allow all
</Location>
<Policy default>
<Limit All>
Order deny,allow
</Limit>
</Policy>
)")
                                          .arg(Socket(), Path("logs/error_log"), Path("logs/access_log"), Path("logs/page_log")));
        WriteText("conf/cups-files.conf", QString(R"(ServerRoot %1
RequestRoot %2
CacheDir %3
StateDir %4
TempDir %2
ServerBin /usr/lib/cups
DataDir /usr/share/cups
FileDevice Yes
User %5
Group %6
SystemGroup root
Sandboxing Relaxed
)")
                                              .arg(Path("conf"), SpoolFolder(), Path("cache"), Path("state"), user, groupName));
        QString printers;
        for (int i = 0; i < queues_.size(); ++i) {
            const QString tag = i == 0 ? "DefaultPrinter" : "Printer";
            printers += QString("<%1 %2>\nState Idle\nAccepting Yes\nDeviceURI file://%3\n</%1>\n")
                            .arg(tag, queues_[i], Path("out/" + queues_[i] + ".out"));
        }
        WriteText("conf/printers.conf", printers);
        if (!ppds_.isEmpty())
            QDir().mkpath(Path("conf/ppd"));
        for (auto it = ppds_.cbegin(); it != ppds_.cend(); ++it)
            WriteText("conf/ppd/" + it.key() + ".ppd", it.value());
    }

    void WriteText(const QString& name, const QString& text) const
    {
        QFile f(Path(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text.toUtf8());
    }

    QStringList queues_;
    QMap<QString, QString> ppds_;
    TempDir dir_;
    QProcess process_;
    std::optional<std::string> oldServer_;
};

}  // namespace lxtest
