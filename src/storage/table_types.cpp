#include "storage/table_types.h"

namespace {

QString Extension(const QString& name)
{
    const QString file = name.mid(std::max(name.lastIndexOf(u'\\'), name.lastIndexOf(u'/')) + 1);
    const int dot = file.lastIndexOf(u'.');
    return dot < 0 ? QString() : file.mid(dot).toUpper();
}

QString BaseName(const QString& name)
{
    QString file = name.mid(std::max(name.lastIndexOf(u'\\'), std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u':'))) + 1);
    const int dot = file.lastIndexOf(u'.');
    return dot < 0 ? file : file.left(dot);
}

bool IsEngineType(TTableType type)
{
    return type == ttDXNTX || type == ttDXFOX || type == ttDXNSX || type == ttRXNTX || type == ttRXFOX;
}

}  // namespace

QString DriverNameOfType(TTableType type)
{
    switch (type) {
    case ttDefault:
    case ttParadox: return QStringLiteral("PARADOX");
    case ttDBase: return QStringLiteral("DBASE");
    case ttASCII: return QStringLiteral("ASCIIDRV");
    case ttDXNTX: return QStringLiteral("DXNTX");
    case ttDXFOX: return QStringLiteral("DXFOX");
    case ttDXNSX: return QStringLiteral("DXNSX");
    case ttRXNTX: return QStringLiteral("RXNTX");
    case ttRXFOX: return QStringLiteral("RXFOX");
    }
    return QStringLiteral("PARADOX");
}

QString TEngineTableTypes::DriverName(TTableType type, const QString& tableName, bool databaseIsFolder) const
{
    if (!databaseIsFolder)
        return QString();  // the bridge reads the DBF header byte
    if (type == ttDefault) {
        const QString ext = Extension(tableName);
        if (ext == u".DBF")
            return DriverNameOfType(ttDXFOX);
        if (ext == u".TXT")
            return DriverNameOfType(ttASCII);
        return DriverNameOfType(ttParadox);
    }
    return DriverNameOfType(type);
}

bool TEngineTableTypes::IsDBaseTable(TTableType type, const QString& tableName) const
{
    return type == ttDBase || IsEngineType(type) || Extension(tableName) == u".DBF";
}

void TEngineTableTypes::DecodeIndexName(TTableType type, const QString& tableName, const QString& indexName,
                                        TIndexDefs& defs, QString& indexFile, QString& tagName) const
{
    indexFile.clear();
    tagName.clear();
    if (indexName.isEmpty())
        return;
    if (!IsDBaseTable(type, tableName)) {
        tagName = indexName;
        return;
    }
    const QString ext = Extension(indexName);
    const bool fileName = type == ttDBase ? ext == u".NDX" : (ext == u".IDX" || ext == u".NTX");
    if (fileName) {
        indexFile = indexName.left(127);
        tagName = indexName.left(30);
        return;
    }
    tagName = indexName;
    if (!defs.Updated)
        defs.Update();
    const int i = defs.IndexOf(indexName);
    if (i < 0)
        DatabaseError(QStringLiteral("Index existiert nicht. Index: %1").arg(indexName));
    indexFile = defs.Items(i).Source;
}

bool TEngineTableTypes::IsOwnIndexFile(TTableType, const QString& tableName, const QString& indexFile) const
{
    return Extension(indexFile) != u".NDX" && BaseName(indexFile).compare(BaseName(tableName), Qt::CaseInsensitive) == 0;
}

