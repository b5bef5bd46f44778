#pragma once
// The list reports of the program (the picture lists of the main window,
// the album list of the album manager): a report over a data pipeline on a
// data source, its layout loaded from a template of the program folder,
// printed over the whole range or from the current record.

#include <QString>

#include <functional>

class TComponent;
class TDataSource;
class TrgBDEPipeline;
class TrgReport;

// Where a loaded list goes; empty: the report prints to its own device
// (the preview unless the template names another).
// The notice shown instead of a list without entries.
inline const QString kNichtsZuDrucken =
    QStringLiteral("Es sind keine Einträge vorhanden, es gibt nichts zu drucken !");

using TListenAusgabe = std::function<void(TrgReport* report)>;

// A pipeline over the source, owned by owner.
TrgBDEPipeline* ListenPipeline(TComponent* owner, const QString& name, TDataSource* source);
// A report on A4 with margins of 6.35 mm, in millimetres and German, for
// the printer "Default", over the pipeline; owned by owner.
TrgReport* ListenBericht(TComponent* owner, const QString& name, TrgBDEPipeline* pipeline);
// Loads the template file into the report; the engine's error when it
// cannot (the report keeps its layout).
void ListenVorlageLaden(TrgReport* report, const QString& datei);
// Prints the report over the pipeline from the first (or the current)
// record to the last one, on the first printer of the printer list when
// there is one.
// Without an output the report's device decides: the screen shows the
// preview (its print button prints), the printer prints, a file device
// writes its file. With no entries to print it says so and gives false.
bool ListeAusgeben(TrgReport* report, TrgBDEPipeline* pipeline, bool abErstemSatz, const TListenAusgabe& ausgabe);
// Prints the report's pages on its printer; with pdfDatei the finished job
// is written to that file instead of the print queue.
void ListeAufDrucker(TrgReport* report, const QString& pdfDatei);
