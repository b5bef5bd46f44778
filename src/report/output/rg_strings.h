#pragma once
// The engine's own texts: one message table per language. A string id is the
// language's block base plus the message number (1 to 499, with gaps); an id
// without a text gives an empty string. English and German have tables of
// their own; every other language block answers with the English texts.
//
// Messages may carry tags such as "<page>"; rgMessageTagsToFormat turns them
// into "%s" placeholders and rgFillFormat puts the values in, in the order
// the placeholders stand. No text ever passes through printf-style code, so a
// message like "100 %" stays as it is.

#include <QString>
#include <QStringList>

#include "report/output/rg_types.h"

// Block bases of the language tables.
constexpr int rgCustomBase = 43500;
constexpr int rgDanishBase = 48000;
constexpr int rgDutchBase = 46500;
constexpr int rgEnglishBase = 43000;
constexpr int rgFrenchBase = 46000;
constexpr int rgGermanBase = 45000;
constexpr int rgItalianBase = 45500;
constexpr int rgPortugueseBrazilBase = 44500;
constexpr int rgPortugueseBase = 44000;
constexpr int rgSpanishBase = 47000;
constexpr int rgSwedishBase = 47500;
constexpr int rgNorwegianBase = 48500;
// Each language owns this many ids from its base on.
constexpr int rgLanguageBlockSize = 500;

// The block base of a language; a value outside the enumeration gives the
// English base.
int rgLanguageResourceBase(TrgLanguageType language);

// The text of a string id (base + message number); empty when there is none.
QString rgLoadString(int id);

// The message with every tag ("<page>", "<pagecount>", "<documentname>",
// "<printername>", "<columnno>", "<filename>", "<minbarwidth>",
// "<maxbarwidth>", "<character>") replaced by "%s". A message without tags
// comes back unchanged.
QString rgMessageTagsToFormat(const QString& message);

// Format with each "%s" replaced by the next of Values, left to right; a
// placeholder without a value becomes empty. Every other character, "%"
// included, is copied as it stands, and the values are not scanned again.
QString rgFillFormat(const QString& format, const QStringList& values);

// rgFillFormat(rgMessageTagsToFormat(Message), Values): the values in the
// order in which the tags stand in the message.
QString rgFillMessageTags(const QString& message, const QStringList& values);
