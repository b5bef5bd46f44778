#include "storage/album_dateien.h"

#include "platform/core/win_path.h"

TAlbumDateien TAlbumDateien::AusPfad(const QString& dbfPfad)
{
    return TAlbumDateien(ExtractFilePath(dbfPfad), ExtractFileName(dbfPfad));
}

QString TAlbumDateien::Endung(const QString& endung) const { return ChangeFileExt(name_, endung); }

QString TAlbumDateien::ListenBasis() const
{
    return ordner_ + name_.left(name_.indexOf(u'.'));
}

QStringList TAlbumDateien::TabellenDateien() const
{
    QStringList dateien{Dbf(), Fpt(), Cdx(), Ia()};
    for (const char* journal : {"-wal", "-shm", "-journal"})
        dateien << Ia() + QLatin1String(journal);
    return dateien;
}
