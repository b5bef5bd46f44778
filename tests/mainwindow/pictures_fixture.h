#pragma once
// An album of pictures drawn by the test: the first start makes the album,
// the entries come in through the engine with their pictures in a folder of
// the test and thumbnails in the memo, the second start opens it.

#include "start_fixture.h"

#include "platform/core/run_temp_folder.h"
#include "platform/core/win_path.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"

#include <QDir>
#include <QPainter>

#include <vector>

struct TBild {
    const char* Datei;   // in the pictures folder; "" for Pfad
    const char* Format;  // Qt writer format
    bool Anlegen = true;
    const char* Pfad = "";
    int Vorschau = 64;   // thumbnail edge; 0 none, small ones are under 4000 bytes
};

class PicturesTest : public StartTest {
protected:
    // The first start makes the album; the entries come in through the
    // engine, with pictures drawn here and thumbnails in the memo; the
    // second start opens it.
    void AlbumMit(const std::vector<TBild>& bilder)
    {
        StartenUndZeigen();
        Beenden();
        form.reset();
        ordner = dir.path() / "Bilder Ä";
        std::filesystem::create_directories(ordner);
        const std::string album = (Datenbank() / "BILDER.DBF").string();
        ASSERT_NE(dbe_Use(album.c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        const QString kennung = qktGetVolumeId("C");
        int n = 0;
        for (const TBild& b : bilder) {
            ++n;
            QString pfad = QString::fromUtf8(b.Pfad);
            if (*b.Datei) {
                const QString linux = QString::fromStdString((ordner / b.Datei).string());
                if (b.Anlegen) {
                    QImage img(200 + n, 120, QImage::Format_RGB32);
                    img.fill(QColor::fromHsv(n * 25 % 360, 200, 220));
                    QPainter(&img).drawText(10, 60, QString::number(n));
                    ASSERT_TRUE(img.save(linux, b.Format)) << b.Datei;
                }
                pfad = *LinuxToWin(linux);
            }
            ASSERT_EQ(dbe_AppendBlank(), 1);
            const QByteArray p = pfad.toLatin1();
            dbe_Replace("PFAD", DBE_REPL_TEXT, p.constData());
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, QByteArray("Bild ").append(QByteArray::number(n)).constData());
            dbe_Replace("LABEL", DBE_REPL_TEXT, "URLAUB");
            dbe_Replace("LABELKENNU", DBE_REPL_TEXT, kennung.toLatin1().constData());
            const char wahr = 'T';
            dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &wahr);
            const int32_t w = 200 + n, h = 120;
            dbe_Replace("BREITE", DBE_REPL_LONG, &w);
            dbe_Replace("HOEHE", DBE_REPL_LONG, &h);
            if (b.Vorschau > 0) {
                QImage t(b.Vorschau, b.Vorschau * 3 / 4, QImage::Format_RGB888);
                t.fill(Qt::darkGreen);
                const std::string tf = (dir.path() / "t.bmp").string();
                ASSERT_TRUE(t.save(QString::fromStdString(tf), "BMP"));
                dbe_Replace("VORSCHAU", DBE_REPL_FILEBLOB, tf.c_str());
            }
        }
        dbe_Commit();
        dbe_Close();
        prompts.Texte.clear();
        StartenUndZeigen();
        ASSERT_EQ(form->DbeBilder->RecCount(), bilder.size());
        form->TableBilder->First();
    }
    int Nr() const { return int(form->DbeBilder->RecNo()); }
    QString Flags() const { return form->DbeBilder->GetString("FLAGS"); }
    void Gehe(int satz)
    {
        form->DbeBilder->Go(uint32_t(satz));
        form->PanelVorschaubild1->Tag = 0;
    }
    // The entry's thumbnail memo as a picture.
    QImage Vorschau()
    {
        const QString datei = Win(dir.path() / "memo.bmp");
        if (!form->DbeBilder->BlobToFile("VORSCHAU", datei))
            return {};
        return QImage(*WinToLinux(datei));
    }
    QString Eintrag()
    {
        return Flags() + "|" + form->DbeBilder->GetTrimString("ZOOMFACTOR") + "|"
               + QString::number(form->DbeBilder->GetBlobLength("VORSCHAU"));
    }

    std::filesystem::path ordner;
};

// The print's picture files ("PrintPic*") in the run's own folder and in
// the configured temporary folder, Linux paths.
inline QStringList DruckBildDateien(const std::filesystem::path& tempOrdner)
{
    QStringList dateien;
    for (const QString& ordner : {RunTempFolder(), QString::fromStdString(tempOrdner.string())})
        for (const QFileInfo& f : QDir(ordner).entryInfoList({QStringLiteral("PrintPic*")}, QDir::Files))
            dateien << f.filePath();
    return dateien;
}
