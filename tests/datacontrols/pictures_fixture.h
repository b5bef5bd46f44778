#pragma once
// A form and a table of named pictures for the data-aware control tests:
// NAME C(20) (label "Bild~name"), NUM N(6), DAT D, VERSTECKT C(5) (not
// visible), NOTIZ M; 8 records, named out of order so orders differ.

#include "table_fixture.h"

#include "platform/data/data_source.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

inline const char* const kPictureNames[] = {"Rose", "Anna", "Tulpe", "Anton", "Berta", "Zeder", "Mohn", "Annika"};

class PicturesTest : public DkTableTest {
protected:
    void MakePictures(const char* name = "BILDER.DBF")
    {
        MakeTable(name, {{"NAME", 'C', 20, 0}, {"NUM", 'N', 6, 0}, {"DAT", 'D', 8, 0}, {"VERSTECKT", 'C', 5, 0},
                         {"NOTIZ", 'M', 10, 0}},
                  8, [](int i) {
                      Text("NAME", kPictureNames[i - 1]);
                      Long("NUM", 9 - i);
                      const std::string date = "2001010" + std::to_string(i);
                      dbe_Replace("DAT", DBE_REPL_TEXT, date.c_str());
                  });
    }

    void OpenPictures(TdkTable& t, const char* name = "BILDER.DBF")
    {
        Open(t, name);
        t.FieldByName("NAME")->SetDisplayLabel("Bild~name");
        t.FieldByName("VERSTECKT")->SetVisible(false);
    }

    // The NAME of every record in the table's current order.
    static QStringList Names(TdkTable& t)
    {
        QStringList names;
        for (t.First(); !t.Eof(); t.Next())
            names << t.FieldByName("NAME")->AsString();
        return names;
    }

    // Writes the widget's picture to screenshots/<name>.png in the build
    // folder and answers it.
    static QImage SaveShot(QWidget* widget, const QString& name)
    {
        QImage img = widget->grab().toImage();
        const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(dir);
        EXPECT_TRUE(img.save(dir + "/" + name + ".png")) << name.toStdString();
        return img;
    }

    TForm form{nullptr};
};
