#pragma once
// TFts: the full-text index of an album (its ".IA" file) as a component.
// Each method forwards to one call of the full-text engine
// (platform/fts/fts.h, which documents the query grammar and the error
// codes); the component keeps the engine's handle.
//
// Texts are Windows-1252 bytes, as the album's record buffers hold them: a
// zero-terminated text, or a QByteArray (a zero byte inside counts as a
// blank). File names are Windows-form paths ("C:\Bilder\BILDER.IA") or Linux
// paths; they are mapped through the drive map.

#include <QByteArray>
#include <QString>

#include "platform/ui/component.h"

class TFts : public TComponent {
public:
    explicit TFts(TComponent* AOwner);
    ~TFts() override;  // closes an index that is still open

    // The new handle (also stored), negative on failure. An index still open
    // in this component is closed first.
    int OpenIndex(const QString& FileName, int A, int B);
    int CreateIndex(const QString& FileName, int A, int B, int C, int D);

    // The new entry's number (= the album record's number), negative on error.
    int Add(const char* Text);
    int Add(const QByteArray& Text);
    int Replace(const char* Text, int RecNo);
    int Replace(const QByteArray& Text, int RecNo);
    int Delete(int RecNo);
    // Starts a search: the number of matches, 0 for none, -13 when the index
    // holds no keys.
    int SetQuery(const char* Query);
    int SetQuery(const QByteArray& Query);
    // The next matching entry number, 0 when there is none more.
    int NextRec();
    // The number of entries, -18 when there is no usable index.
    int NumRecs();
    // 1 when the text matches the query (the engine gets Mode + 1).
    int Verify(const char* Text, const char* Query, int Mode);
    int Verify(const QByteArray& Text, const QByteArray& Query, int Mode);
    // Closes the index; 0 when there was none open.
    int Close();

    int Handle() const { return handle_; }

private:
    int handle_ = 0;
};
