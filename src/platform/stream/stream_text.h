#pragma once
// The text form of the component stream and the converters both ways.
//
//   object Report1: TMyReport
//     Caption = 'Bilder'#13#10'Liste'
//     Font.Name = 'Arial'
//     Lines.Strings = (
//       'a'
//       'b')
//     Width = 12.5
//     Options = [opA, opB]
//     Picture.Data = {
//       0754426974...}
//     Items = <
//       item
//         Width = 3
//       end>
//     object Band1: TMyBand
//     end
//   end
//
// Numbers always use "." whatever the locale; a Single ends in "s", a
// Currency in "c", a Date in "d". Text is quoted with '' for a quote and
// #nnn (the Unicode code) for every character outside printable ASCII.
// Lines end in CR LF. Converting binary to text and back gives the same
// bytes for every stream this program writes (a string is held as
// Windows-1252 bytes when it fits, as UTF-16 otherwise).

#include "platform/core/streams.h"

#include <QByteArray>

// Both throw EReadError (with the position) for input they cannot convert;
// nesting is limited to kMaxStreamNesting. binary starts with "TPF0".
QByteArray ObjectBinaryToText(const QByteArray& binary);
QByteArray ObjectTextToBinary(const QByteArray& text);

// The framework's stream form: from the input's position, appended at the
// output's position.
void ObjectBinaryToText(TStream& input, TStream& output);
void ObjectTextToBinary(TStream& input, TStream& output);
