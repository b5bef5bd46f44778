#include "storage/flags_field.h"

#include "platform/data/dataset.h"
#include "platform/dbf/dbe.h"
#include "storage/tdbe.h"

int FlagSetzen(TDbe* dbe, const QString& fieldName, int position, bool readOnly, QChar value)
{
    if (readOnly)
        return 0;
    TDataSet* ds = dbe->DataSet();
    if (!ds || !ds->Active() || ds->State() != dsBrowse || ds->IsEmpty())
        return 0;
    const int width = dbe->FieldWidth(fieldName);
    if (position < 1 || position > width)
        return 0;
    QString text = dbe->GetString(fieldName);
    if (text.size() < position)
        text += QString(position - text.size(), u' ');
    text[position - 1] = value;
    const bool wasEof = ds->Eof();
    const bool wasBof = ds->Bof();
    ds->Edit();
    try {
        if (!dbe->Replace(fieldName, DBE_REPL_TEXT, text)) {
            ds->Cancel();
            return 0;
        }
        ds->Post();
    } catch (...) {
        if (ds->State() == dsEdit)
            ds->Cancel();
        throw;
    }
    if (wasEof)
        ds->Next();
    if (wasBof)
        ds->Prior();
    return 1;
}

QChar FlagLesen(TDbe* dbe, const QString& fieldName, int position)
{
    const QString text = dbe->GetString(fieldName);
    if (position < 1 || position > text.size())
        return u' ';
    return text[position - 1];
}
