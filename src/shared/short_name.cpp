#include "shared/short_name.h"

#include "platform/core/win1252.h"
#include "shared/general_texts.h"

#include <zlib.h>

#include <cstdint>

QString StringToCRC32(const QString& path)
{
    const QByteArray bytes = Win1252EncodeOrThrow(GrossMitUmlauten(path.trimmed()));
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.constData()),
                            static_cast<uInt>(bytes.size()));
    return QString::number(static_cast<int32_t>(static_cast<uint32_t>(crc)));
}
