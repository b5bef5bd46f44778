#pragma once
// Version information of the program itself, from the build (the version
// of the top-level CMake project, "1.50").

#include <QString>

// The ten values of a version resource, in this order.
struct TVersionType {
    QString CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright,
        LegalTradeMarks, OriginalFileName, ProductName, ProductVersion, Comments;
};

// "1.50".
QString ProgramVersion();
int ProgramVersionMajor();
int ProgramVersionMinor();
// The program's values; only the program has them: for any other module all
// values are empty and the result is false. module: the program's file name
// (ProgramFileName(), "LUMADEX.EXE", the running executable) or empty.
bool ReadVersionInfo(const QString& module, TVersionType& info);
