#pragma once
// What the engine tells a report designer. The engine never names design-time
// code: the designer side installs these hooks when the program starts, and
// every notification is skipped while its hook is empty (no designer code in
// the program) or no designer is attached to the report.

#include <functional>

class TObject;
class TrgBand;
class TrgCustomReport;
class TrgPrintable;

// Messages sent to the designer window.
constexpr int rgDesignMsgBandCreated = 1137;
constexpr int rgDesignMsgBandDestroyed = 1140;
constexpr int rgDesignMsgCaptionChanged = 1145;
// The code the band messages carry.
constexpr int rgDesignCodeBand = 5050;

struct TrgDesignHooks {
    // A change of the printable that shows: its design control follows.
    std::function<void(const TrgPrintable* Printable)> PrintableChanged;
    // The band has joined a report / is about to leave one.
    std::function<void(TrgBand* Band)> BandJoinedReport;
    std::function<void(TrgBand* Band)> BandLeavingReport;
    // A message for the report's designer window.
    std::function<void(const TrgCustomReport* Report, int Message, int Code, TObject* Param)> SendMessage;
};

// The installed hooks; the designer side sets the ones it serves.
TrgDesignHooks& rgDesignHooks();
