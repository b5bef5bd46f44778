#pragma once
// A document as one line of text for comparisons: paragraphs separated by
// " | ", an alignment mark before a paragraph that is not left aligned
// ("C:", "R:", "J:"), each run of equal formatting as its text in brackets
// followed by what differs from plain 12-point text in the default font.

#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

#include "report/output/rg_rtf_reader.h"

namespace rgtest {

inline QString FormatMarks(const TrgRtfCharState& chars, const QString& defaultFont)
{
    QStringList marks;
    if (chars.FontName != defaultFont)
        marks << "f=" + chars.FontName;
    if (chars.HalfPoints != 24)
        marks << "fs" + QString::number(chars.HalfPoints);
    if (chars.Bold)
        marks << "b";
    if (chars.Italic)
        marks << "i";
    if (chars.Underline)
        marks << "u";
    if (chars.StrikeOut)
        marks << "s";
    if (chars.Color)
        marks << chars.Color->name();
    return marks.join(',');
}

inline QString DumpDocument(const QTextDocument& document, const QString& defaultFont = "Arial")
{
    QStringList paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString paragraph;
        const Qt::Alignment alignment = block.blockFormat().alignment();
        if (alignment & Qt::AlignJustify)
            paragraph += "J:";
        else if (alignment & Qt::AlignHCenter)
            paragraph += "C:";
        else if (alignment & Qt::AlignRight)
            paragraph += "R:";
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString marks = FormatMarks(TrgRtfCharState::FromFormat(fragment.charFormat()), defaultFont);
            paragraph += "[" + fragment.text() + "]" + marks;
        }
        paragraphs << paragraph;
    }
    return paragraphs.join(" | ");
}

}  // namespace rgtest
