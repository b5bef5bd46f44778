#pragma once
// The files a print job leaves below a temporary folder: the job's PDF lies
// in the run's own folder inside it.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <string>

// Paths of the files below the folder, relative to it.
inline QStringList FilesBelow(const std::string& folder)
{
    const QDir base(QString::fromStdString(folder));
    QStringList files;
    QDirIterator it(base.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << base.relativeFilePath(it.next());
    files.sort();
    return files;
}

// Puts a folder in the place of every file below the folder, so that a
// writer cannot open them.
inline void FilesBelowToFolders(const std::string& folder)
{
    const QDir base(QString::fromStdString(folder));
    for (const QString& name : FilesBelow(folder)) {
        QFile::remove(base.filePath(name));
        base.mkpath(name);
    }
}
