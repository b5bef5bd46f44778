#pragma once
// The column layout of a data grid in the ini file, in two sections named by
// the caller (the main window uses "BilderFieldPosition" and
// "BilderFieldWidth"): one key per grid column, the field name, with the
// field's index in the dataset's field list, and with its display width.
//
// A grid shows the visible fields of its dataset in the dataset's field
// order, so the routines work on the dataset's fields (Index, Visible,
// DisplayWidth) and every grid over the dataset follows.

#include <QString>

#include <vector>

class TDataSet;
class TField;
class TQKINI;

// The fields a grid over the dataset shows, in column order.
std::vector<TField*> GridSpaltenFelder(TDataSet* table);

// Writes the layout (only when the grid shows more than one field; both
// sections are cleared first). 1; raises "Fehler in GridSettingsSpeichern()".
int GridSettingsSpeichern(TQKINI* ini, const QString& positionSection, const QString& widthSection, TDataSet* table);

// Restores the layout. 1; raises "Fehler in GridSettingsLesen() der
// Datenbank " + the table name.
int GridSettingsLesen(TQKINI* ini, const QString& positionSection, const QString& widthSection, TDataSet* table);

// True once GridSettingsLesen has restored a layout in this run.
bool GridSettingsGelesen();
