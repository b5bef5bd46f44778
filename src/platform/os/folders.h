#pragma once
// The program folder and the Windows folder.
//   program folder  $LUMADEX_HOME, default ~/.local/share/QV-Lumadex
//                   (data, logs, sounds, templates, LXLog.DBF)
//   Windows folder  $LUMADEX_WINDIR, default ~/.config/QV-Lumadex
//                   (Lumadex.INI and the registry stand-in "Registry.ini")
// Both are made on first use. The Windows-form names end with "\".

#include <QString>

QString ProgramFolder();        // "C:\home\anna\.local\share\QV-Lumadex\"
QString ProgramFolderLinux();   // "/home/anna/.local/share/QV-Lumadex"
QString WindowsFolder();        // "C:\home\anna\.config\QV-Lumadex\"
QString WindowsFolderLinux();
// The program file's Windows-form name (program folder + "LUMADEX.EXE"),
// what the program registers and names in shortcuts.
QString ProgramFileName();
// The user's desktop folder with "\" (XDG desktop folder), empty when the
// home folder is unknown. Not created.
QString DesktopFolder();
// The temporary folder with "\".
QString TempFolder();
// "The program was started from a CD": the program folder is on a read-only mount.
bool ProgramFolderIsReadOnly();

// Copies what the program ships (sounds, logo, templates, ...) from the
// given Linux folder into the program folder, recursively; files that exist
// there already are kept (the user's own changes win). Returns the number of
// files copied; -1 when the source folder does not exist.
int SeedProgramFolder(const QString& resourcesLinuxFolder);
