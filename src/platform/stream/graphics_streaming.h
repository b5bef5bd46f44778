#pragma once
// Stream descriptions of the framework's drawing objects, so that components
// can publish them: TFont ("Font.Name", "Font.Style = [fsBold]"), TPen,
// TBrush and TPicture (its graphic as the binary "Picture.Data": the class
// name as a short string, a 32-bit size and the BMP file). Colours stream by
// their names ("clWindowText") where they have one.

#include "platform/stream/class_registry.h"

// Describes the classes once; later calls do nothing.
void DescribeGraphicsClasses();

// The colour names (clBlack ... clInfoBk, clNone, clDefault).
const TEnumInfo* ColorIdents();
