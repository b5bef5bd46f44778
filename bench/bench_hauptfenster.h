#pragma once
// The main window of a benchmark set on the album folder of the run.

#include "mainwindow/main_form.h"
#include "platform/core/win_path.h"

#include <QString>

#include <filesystem>

// Points the main window at "BILDER.DBF" in `dir` with logging and the extra
// messages off, makes the album manager there and opens it. Gives the
// folder in Windows form with its trailing "\".
inline QString BenchHauptfensterEinrichten(TMainForm& form, const std::filesystem::path& dir)
{
    const QString win = *LinuxToWin(QString::fromStdString(dir.string())) + "\\";
    form.BereichBilder().DateienSetzen(TAlbumDateien(win, "BILDER.DBF"));
    form.ProgrammOptionen()->CheckBoxProtokollieren = false;
    form.ProgrammOptionen()->CheckBoxAlleMeldungen = false;
    form.ProgrammOptionen()->EditDatenbankenVerzeichnis = win;
    form.ErzeugeBilderDatenbankenVerwaltung(win, "LXMan.DBF");
    form.BilderDBFsOeffnen();
    return win;
}
