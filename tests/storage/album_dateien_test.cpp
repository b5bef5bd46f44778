// Guards the one place where an album's side-file names are derived.
#include "storage/album_dateien.h"

#include <gtest/gtest.h>

namespace {

TEST(AlbumDateienTest, TableFilesReplaceTheLastExtensionPickListsTakeTheNameBeforeTheFirstDot)
{
    struct Fall {
        const char* name;
        const char* basis;
        const char* listenBasis;
    };
    // The engine's production index of "Urlaub.2024.DBF" is
    // "Urlaub.2024.CDX"; its pick lists have always been "Urlaub.GPR".
    for (const Fall& f : {Fall{"BILDER.DBF", "BILDER", "BILDER"}, Fall{"Urlaub.2024.DBF", "Urlaub.2024", "Urlaub"},
                          Fall{"ohne", "ohne", "ohne"}}) {
        SCOPED_TRACE(f.name);
        const TAlbumDateien a(QStringLiteral("C:\\Alben\\"), QString::fromLatin1(f.name));
        const QString basis = QStringLiteral("C:\\Alben\\") + QLatin1String(f.basis);
        EXPECT_EQ(a.Dbf(), QStringLiteral("C:\\Alben\\") + QLatin1String(f.name));
        EXPECT_EQ(a.Fpt(), basis + ".FPT");
        EXPECT_EQ(a.Cdx(), basis + ".CDX");
        EXPECT_EQ(a.Ia(), basis + ".IA");
        EXPECT_EQ(a.Gpr(), QStringLiteral("C:\\Alben\\") + QLatin1String(f.listenBasis) + ".GPR");
        EXPECT_EQ(a.Qul(), QStringLiteral("C:\\Alben\\") + QLatin1String(f.listenBasis) + ".QUL");
        EXPECT_EQ(a.CdxName(), QLatin1String(f.basis) + QStringLiteral(".CDX"));
        EXPECT_EQ(a.IaName(), QLatin1String(f.basis) + QStringLiteral(".IA"));
    }
}

TEST(AlbumDateienTest, AFullPathSplitsIntoFolderAndName)
{
    const TAlbumDateien a = TAlbumDateien::AusPfad(QStringLiteral("D:\\Fotos\\Reise.DBF"));
    EXPECT_EQ(a.Ordner(), QStringLiteral("D:\\Fotos\\"));
    EXPECT_EQ(a.Name(), QStringLiteral("Reise.DBF"));
    EXPECT_EQ(a, TAlbumDateien(QStringLiteral("D:\\Fotos\\"), QStringLiteral("Reise.DBF")));
    EXPECT_TRUE(TAlbumDateien().Leer());
}

TEST(AlbumDateienTest, TheTableFilesIncludeTheFullTextJournalsButNotThePickLists)
{
    const QStringList dateien = TAlbumDateien(QStringLiteral("C:\\A\\"), QStringLiteral("X.DBF")).TabellenDateien();
    EXPECT_EQ(dateien, (QStringList{"C:\\A\\X.DBF", "C:\\A\\X.FPT", "C:\\A\\X.CDX", "C:\\A\\X.IA", "C:\\A\\X.IA-wal",
                                    "C:\\A\\X.IA-shm", "C:\\A\\X.IA-journal"}));
}

}  // namespace
