#include "storage/grid_settings.h"

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"
#include "platform/data/table.h"
#include "shared/qk_ini.h"
#include "shared/routine_support.h"

namespace {

bool g_gelesen = false;

// The position keys last read, kept for the program's lifetime.
TStringList& GridSchluessel()
{
    static TStringList keys;
    return keys;
}

}  // namespace

bool GridSettingsGelesen() { return g_gelesen; }

std::vector<TField*> GridSpaltenFelder(TDataSet* table)
{
    std::vector<TField*> fields;
    if (!table)
        return fields;
    for (int i = 0; i < table->FieldCount(); ++i)
        if (table->Fields(i)->Visible())
            fields.push_back(table->Fields(i));
    return fields;
}

int GridSettingsSpeichern(TQKINI* ini, const QString& positionSection, const QString& widthSection, TDataSet* table)
{
    // Both sections go to the file in one replacement: a save cut off
    // half-way (a crash, a full disk) leaves the layout before it, never a
    // record of a few columns that would hide all the others when read.
    ini->BeginUpdate();
    try {
        TSanduhr sanduhr;
        ini->KillSection(positionSection);
        ini->KillSection(widthSection);
        const std::vector<TField*> columns = GridSpaltenFelder(table);
        if (columns.size() > 1) {
            for (TField* f : columns)
                ini->INIWriteInteger(positionSection, f->FieldName, f->Index());
            for (TField* f : columns)
                ini->INIWriteInteger(widthSection, f->FieldName, f->DisplayWidth());
        }
        ini->EndUpdate();
    } catch (const std::exception&) {
        ini->CancelUpdate();
        throw Exception(QStringLiteral("Fehler in GridSettingsSpeichern()"));
    }
    return 1;
}

int GridSettingsLesen(TQKINI* ini, const QString& positionSection, const QString& widthSection, TDataSet* table)
{
    if (!table || !table->Active() || GridSpaltenFelder(table).empty())
        return 1;
    try {
        TSanduhr sanduhr;
        TStringList& keys = GridSchluessel();
        keys.Clear();
        ini->INIReadSection(positionSection, &keys);
        // A save writes a layout of two columns or more (or nothing), so a
        // record that names fewer of the table's fields is one a save left
        // unfinished: taken, it would hide every other column.
        int bekannt = 0;
        for (int i = 0; i < keys.Count(); ++i)
            if (table->FindField(keys[i].left(12)))
                ++bekannt;
        if (bekannt > 1) {
            TControlsDisabler disabled(table);
            for (int i = 0; i < table->FieldCount(); ++i)
                table->Fields(i)->SetVisible(false);
            for (int i = 0; i < keys.Count(); ++i)
                if (TField* f = table->FindField(keys[i]))
                    f->SetVisible(true);
            // Each listed field goes to its saved place, in the saved column
            // order, so every field before it already stands where it belongs.
            for (int i = 0; i < keys.Count(); ++i) {
                const QString key = keys[i].left(12);
                const int index = ini->INIReadInteger(positionSection, key, i);
                if (TField* f = table->FindField(key))
                    f->SetIndex(index);
            }
            for (TField* f : GridSpaltenFelder(table))
                f->SetDisplayWidth(ini->INIReadInteger(widthSection, f->FieldName, f->DisplayWidth()));
        }
    } catch (const std::exception&) {
        const TTable* t = dynamic_cast<const TTable*>(table);
        throw Exception(QStringLiteral("Fehler in GridSettingsLesen() der Datenbank ") +
                        (t ? t->TableName() : table->Name));
    }
    g_gelesen = true;
    return 1;
}
