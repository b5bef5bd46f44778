#pragma once
// Albums made through the DBF engine for the dialog tests: the 29 album
// fields, entries with paths, texts, notes and thumbnails, opened as a table
// dataset with its engine companion; pictures drawn with QImage.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "album_layout.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "bridge_test.h"
#include "test_environment.h"

struct TTestEintrag {
    QString Pfad{};
    QString Typ = "1";
    QString Kurz{};
    QString Notiz{};
    QString LabelKennung = "1234567890";
    QString Vorschau{};  // Linux path of a picture file for the thumbnail memo; "" = none
    QString Flags{};
};

// The album table as a dataset with its data source and companion, linked.
struct TTestAlbum {
    TTable table;
    TDataSource source{&table};
    TDbe dbe{nullptr};
    TTestAlbum() { dbe.SetDataSource(&source); }
};

class AlbumTest : public BridgeTestBase {
protected:
    QString Linux(const char* name) const { return QString::fromStdString((dir / name).string()); }
    // A folder of the test folder in Windows form with a trailing "\".
    QString WinDir(const QString& sub = {}) const
    {
        QString linux = QString::fromStdString(dir.str());
        if (!sub.isEmpty()) {
            linux += "/" + sub;
            QDir().mkpath(linux);
        }
        return *LinuxToWin(linux) + "\\";
    }

    static void Text(const char* field, const QString& value)
    {
        const QByteArray bytes = Win1252EncodeOrThrow(value);
        dbe_Replace(field, DBE_REPL_TEXT, bytes.constData());
    }

    // An album with every field of the album layout and one record per entry.
    void MakeAlbum(const char* name, const std::vector<TTestEintrag>& entries)
    {
        const std::string file = (dir / name).string();
        const uint16_t area = dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, lxtest::kAlbumLayoutFieldCount);
        ASSERT_NE(area, 0) << dbe_LastError();
        for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
            ASSERT_EQ(dbe_CreateField(f.name, f.type, f.width, f.decimals), 1);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (const TTestEintrag& e : entries) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            Text("PFAD", e.Pfad);
            Text("DATEI", e.Pfad.mid(e.Pfad.lastIndexOf('\\') + 1).left(15));
            Text("TYPE", e.Typ);
            Text("SHORTDESC", e.Kurz);
            Text("LABELKENNU", e.LabelKennung);
            Text("LABEL", "TESTDISK");
            Text("FLAGS", e.Flags);
            const int32_t bytes = 1234;
            dbe_Replace("BYTES", DBE_REPL_LONG, &bytes);
            dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, "20240131");
            const char ja = 'T';
            dbe_Replace("MARKIERT", DBE_REPL_LOGICAL, &ja);
            if (!e.Notiz.isEmpty()) {
                const QByteArray note = Win1252EncodeOrThrow(e.Notiz);
                dbe_Replace("NOTIZ", DBE_REPL_MEMO, note.constData());
            }
            if (!e.Vorschau.isEmpty())
                dbe_Replace("VORSCHAU", DBE_REPL_FILEBLOB, e.Vorschau.toLocal8Bit().constData());
        }
        dbe_Commit();
        dbe_Close();
    }

    void Open(TTestAlbum& album, const char* name)
    {
        album.table.SetDatabaseName(QString::fromStdString(dir.str()));
        album.table.SetTableName(name);
        album.table.SetTableType(ttDXFOX);
        album.table.Open();
    }

    // A picture of w x h drawn with a diagonal, saved in the format of the suffix.
    static QString DrawPicture(const QString& linux, int w, int h, QColor colour = Qt::blue)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(colour);
        QPainter p(&img);
        p.setPen(Qt::yellow);
        p.drawLine(0, 0, w - 1, h - 1);
        p.end();
        QDir().mkpath(QFileInfo(linux).path());
        EXPECT_TRUE(img.save(linux)) << linux.toStdString();
        return linux;
    }
};
