#include "platform/stream/component_writer.h"

#include "platform/core/exceptions.h"

#include <cmath>

namespace {

// Collects the writers of a class's defined properties and writes those
// that have data, each under the sub-object's prefix.
class TWriterFiler : public TFiler {
public:
    TWriterFiler(TWriter& writer, const QString& prefix) : writer_(writer), prefix_(prefix) {}

    void DefineProperty(const QString& name, const std::function<void(TReader&)>&,
                        const std::function<void(TWriter&)>& write, bool hasData) override
    {
        if (!hasData || !write)
            return;
        Name(name);
        write(writer_);
    }
    void DefineBinaryProperty(const QString& name, const std::function<void(const QByteArray&)>&,
                              const std::function<QByteArray()>& write, bool hasData) override
    {
        if (!hasData || !write)
            return;
        Name(name);
        writer_.WriteBinary(write());
    }

private:
    void Name(const QString& name)
    {
        TByteEncoder enc(writer_.Bytes());
        enc.ShortString((prefix_ + name).toLatin1());
    }
    TWriter& writer_;
    QString prefix_;
};

const TClassInfo& DescribedClassOf(const TPersistent& obj)
{
    const TClassInfo* info = ClassInfoOf(obj);
    if (!info)
        throw EWriteError(QStringLiteral("Die Klasse %1 kann nicht gespeichert werden")
                              .arg(QString::fromLatin1(typeid(obj).name())));
    return *info;
}

}  // namespace

void TWriter::WriteSignature()
{
    enc_.Out().append(ComponentStreamSignature());
}

void TWriter::WriteRootComponent(TComponent* root)
{
    Root = root;
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component)
{
    const TClassInfo& info = DescribedClassOf(*component);
    enc_.ShortString(info.ClassName.toLatin1());
    enc_.ShortString(component->Name.toLatin1());
    WriteProperties(*component, QString(), 0);
    WriteListEnd();
    if (const TClassInfo* withChildren = info.WithGetChildren())
        withChildren->GetChildren(*component, [this](TComponent* child) { WriteComponent(child); }, Root);
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent& obj, const QString& prefix, int depth)
{
    if (depth > kMaxStreamNesting)
        throw EWriteError(QStringLiteral("Zu tief verschachtelte Eigenschaften: %1").arg(prefix));
    const TClassInfo& info = DescribedClassOf(obj);
    const auto chain = info.Chain();
    for (const TClassInfo* c : chain)
        for (const TPropInfo& prop : c->Properties)
            WriteProperty(obj, prop, prefix, depth);
    TWriterFiler filer(*this, prefix);
    for (const TClassInfo* c : chain)
        if (c->DefineProperties)
            c->DefineProperties(obj, filer);
}

void TWriter::WriteProperty(TPersistent& obj, const TPropInfo& prop, const QString& prefix, int depth)
{
    if (prop.Stored && !prop.Stored(obj))
        return;
    const QString name = prefix + prop.Name;
    switch (prop.Kind) {
    case TPropKind::Object:
        if (TPersistent* sub = prop.GetObject(obj))
            WriteProperties(*sub, name + QLatin1Char('.'), depth + 1);
        return;
    case TPropKind::Strings: {
        const TStringList* list = prop.GetStrings(obj);
        if (!list || list->Count() == 0)
            return;
        WritePropName(name + QStringLiteral(".Strings"));
        WriteListBegin();
        for (int i = 0; i < list->Count(); ++i)
            WriteString(list->Strings(i));
        WriteListEnd();
        return;
    }
    case TPropKind::Collection: {
        const int count = prop.Collection.Count(obj);
        if (count == 0)
            return;
        WritePropName(name);
        enc_.Tag(TValueType::vaCollection);
        for (int i = 0; i < count; ++i) {
            WriteListBegin();
            WriteProperties(*prop.Collection.Item(obj, i), QString(), depth + 1);
            WriteListEnd();
        }
        WriteListEnd();
        return;
    }
    case TPropKind::Component:
        if (TComponent* c = prop.GetComponent(obj)) {
            WritePropName(name);
            WriteIdent(ReferenceName(c));
        }
        return;
    default: break;
    }

    const TPropValue value = prop.Get(obj);
    if (prop.Default && *prop.Default == value)
        return;
    if (prop.Kind == TPropKind::Method && std::get<QString>(value).isEmpty())
        return;
    WritePropName(name);
    switch (prop.Kind) {
    case TPropKind::Integer: {
        const int64_t v = std::get<int64_t>(value);
        const QString* ident = prop.Enum ? prop.Enum->IdentOf(v) : nullptr;
        if (ident)
            WriteIdent(*ident);
        else
            WriteInteger(v);
        return;
    }
    case TPropKind::Enum: {
        const int64_t v = std::get<int64_t>(value);
        const QString* ident = prop.Enum ? prop.Enum->IdentOf(v) : nullptr;
        if (!ident)
            throw EWriteError(QStringLiteral("Ungültiger Wert %1 der Eigenschaft %2").arg(v).arg(name));
        WriteIdent(*ident);
        return;
    }
    case TPropKind::Set: {
        const uint64_t bits = static_cast<uint64_t>(std::get<int64_t>(value));
        enc_.Tag(TValueType::vaSet);
        for (unsigned i = 0; i < 64; ++i) {
            if (!(bits & (uint64_t(1) << i)))
                continue;
            const QString* ident = prop.Enum ? prop.Enum->IdentOf(i) : nullptr;
            if (!ident)
                throw EWriteError(QStringLiteral("Ungültiger Wert %1 der Eigenschaft %2").arg(i).arg(name));
            enc_.ShortString(ident->toLatin1());
        }
        enc_.Byte(0);
        return;
    }
    case TPropKind::Boolean: WriteBoolean(std::get<bool>(value)); return;
    case TPropKind::Float: WriteFloat(std::get<long double>(value)); return;
    case TPropKind::Single: WriteSingle(float(std::get<long double>(value))); return;
    case TPropKind::Date: WriteDate(double(std::get<long double>(value))); return;
    case TPropKind::Currency: WriteCurrency(std::get<int64_t>(value)); return;
    case TPropKind::String: WriteString(std::get<QString>(value)); return;
    case TPropKind::Method: WriteIdent(std::get<QString>(value)); return;
    default: return;
    }
}

QString TWriter::ReferenceName(TComponent* c) const
{
    if (!Root || c->Owner() == Root || !c->Owner())
        return c->Name;
    return c->Owner()->Name + QLatin1Char('.') + c->Name;
}

QByteArray ComponentToBytes(TComponent* component, TComponent* root)
{
    QByteArray bytes;
    TWriter writer(bytes);
    writer.Root = root ? root : component;
    writer.WriteSignature();
    writer.WriteComponent(component);
    return bytes;
}
