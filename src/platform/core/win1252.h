#pragma once
// Windows-1252, the code page of every file the program writes (DBF, FPT,
// ini files, logs, lists, text exports).
//
// Decoding maps every byte 0x00-0xFF to one character; the five bytes the
// code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081,
// U+008D, ... and encode back to the same byte, so any byte string survives
// a decode/encode round trip. Encoding a character the code page cannot hold
// is an error the caller sees, never a silent "?".

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Bytes to text (never fails).
QString Win1252Decode(QByteArrayView bytes);

// Text to bytes; std::nullopt when a character cannot be encoded. When
// offending is given it receives the characters that could not be encoded
// (each once, in order of appearance).
std::optional<QByteArray> Win1252Encode(const QString& text, QString* offending = nullptr);

// Text to bytes; throws EEncodingError (Message names the text) on failure.
QByteArray Win1252EncodeOrThrow(const QString& text);

// True when every character of the text can be encoded.
bool Win1252CanEncode(const QString& text);

// One character; std::nullopt when it has no Windows-1252 byte.
std::optional<unsigned char> Win1252EncodeChar(char16_t c);

// A text file's bytes as text: Windows-1252, except that a file starting with
// the UTF-8 byte order mark (written by some editors) is read as UTF-8.
QString DecodeTextFile(QByteArrayView bytes);
