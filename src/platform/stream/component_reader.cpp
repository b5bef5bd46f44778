#include "platform/stream/component_reader.h"

#include "platform/core/exceptions.h"

#include <cmath>
#include <cstring>

namespace {

// Finds the defined property of one name among a class's definitions and
// reads its value.
class TReaderFiler : public TFiler {
public:
    TReaderFiler(TReader& reader, const QString& name) : reader_(reader), name_(name) {}
    bool Found() const { return found_; }

    void DefineProperty(const QString& name, const std::function<void(TReader&)>& read,
                        const std::function<void(TWriter&)>&, bool) override
    {
        if (found_ || !read || name.compare(name_, Qt::CaseInsensitive) != 0)
            return;
        found_ = true;
        read(reader_);
    }
    void DefineBinaryProperty(const QString& name, const std::function<void(const QByteArray&)>& read,
                              const std::function<QByteArray()>&, bool) override
    {
        if (found_ || !read || name.compare(name_, Qt::CaseInsensitive) != 0)
            return;
        found_ = true;
        read(reader_.ReadBinary());
    }

private:
    TReader& reader_;
    QString name_;
    bool found_ = false;
};

QString Latin1(const QByteArray& b)
{
    return QString::fromLatin1(b);
}

}  // namespace

TReader::TReader(const QByteArray& data, qsizetype start) : data_(data), cur_(data_, start) {}

bool TReader::Error(const QString& message)
{
    bool handled = false;
    if (OnError)
        OnError(*this, message, handled);
    return handled;
}

void TReader::ReadSignature()
{
    if (cur_.Remaining() < 4 || data_.mid(cur_.Position(), 4) != ComponentStreamSignature())
        throw EReadError(QStringLiteral("Ungültiges Datenstromformat"));
    cur_.Skip(4);
}

int32_t TReader::ReadInteger()
{
    return static_cast<int32_t>(cur_.IntegerValue(false));
}

bool TReader::ReadBoolean()
{
    const TValueType t = cur_.Tag();
    if (t == TValueType::vaTrue)
        return true;
    if (t == TValueType::vaFalse)
        return false;
    cur_.SetPosition(cur_.Position() - 1);
    cur_.Fail(QStringLiteral("Wahrheitswert erwartet, %1 gefunden").arg(ValueTypeName(t)));
}

long double TReader::ReadFloat()
{
    const TValueType t = cur_.PeekTag();
    switch (t) {
    case TValueType::vaInt8:
    case TValueType::vaInt16:
    case TValueType::vaInt32:
    case TValueType::vaInt64: return static_cast<long double>(cur_.IntegerValue(true));
    case TValueType::vaExtended: cur_.Tag(); return cur_.Extended();
    case TValueType::vaSingle: cur_.Tag(); return cur_.Single();
    case TValueType::vaDate: cur_.Tag(); return cur_.Double();
    case TValueType::vaCurrency: cur_.Tag(); return static_cast<long double>(cur_.SignedLE(8)) / 10000.0L;
    default: break;
    }
    cur_.Fail(QStringLiteral("Zahl erwartet, %1 gefunden").arg(ValueTypeName(t)));
}

QByteArray TReader::ReadBinary()
{
    const TValueType t = cur_.Tag();
    if (t != TValueType::vaBinary) {
        cur_.SetPosition(cur_.Position() - 1);
        cur_.Fail(QStringLiteral("Binärdaten erwartet, %1 gefunden").arg(ValueTypeName(t)));
    }
    return cur_.Bytes(cur_.Length32());
}

void TReader::ReadListBegin()
{
    const TValueType t = cur_.Tag();
    if (t != TValueType::vaList) {
        cur_.SetPosition(cur_.Position() - 1);
        cur_.Fail(QStringLiteral("Liste erwartet, %1 gefunden").arg(ValueTypeName(t)));
    }
}

void TReader::ReadListEnd()
{
    const TValueType t = cur_.Tag();
    if (t != TValueType::vaNull) {
        cur_.SetPosition(cur_.Position() - 1);
        cur_.Fail(QStringLiteral("Listenende erwartet, %1 gefunden").arg(ValueTypeName(t)));
    }
}

void TReader::Read(void* buffer, int count)
{
    const QByteArray bytes = cur_.Bytes(count);
    if (count > 0)
        std::memcpy(buffer, bytes.constData(), size_t(count));
}

// ---- components -------------------------------------------------------------

TComponent* TReader::ReadRootComponent(TComponent* root)
{
    try {
        ReadSignature();
        if (root) {
            Root = root;
            Owner = root;
        }
        TComponent* result = ReadComponent(root);
        if (!result)
            throw EReadError(QStringLiteral("Die Stammkomponente wurde übersprungen"));
        FinishRead();
        return result;
    } catch (...) {
        FreeCreated();
        throw;
    }
}

void TReader::ReadComponents(TComponent* owner, TComponent* parent, const std::function<void(TComponent*)>& proc)
{
    Owner = owner;
    Parent = parent;
    if (!Root)
        Root = owner;
    std::vector<TComponent*> read;
    try {
        while (cur_.PeekByte() != 0) {
            ReadSignature();
            if (TComponent* c = ReadComponent(nullptr))
                read.push_back(c);
        }
        cur_.Byte();
        FinishRead();
    } catch (...) {
        FreeCreated();
        throw;
    }
    created_.clear();
    if (proc)
        for (TComponent* c : read)
            proc(c);
}

TComponent* TReader::ReadComponent(TComponent* existing)
{
    if (depth_ >= kMaxStreamNesting)
        cur_.Fail(QStringLiteral("Zu tief verschachtelte Komponenten"));
    const qsizetype start = cur_.Position();
    // A position among siblings is passed over: children are kept in stream order.
    const uint8_t flags = cur_.ComponentFlags();
    const QString className = Latin1(cur_.ShortBytes());
    const QString name = Latin1(cur_.ShortBytes());

    TComponent* c = existing;
    // An inherited or inline component is already there: its stream entry
    // holds only what differs.
    if (!c && (flags & (ffInherited | ffInline)) && Owner && !name.isEmpty())
        c = Owner->FindComponent(name);
    if (!c) {
        const TClassInfo* info = GetClass(className);
        if (!info || !info->Create) {
            const QString message = QStringLiteral("Klasse %1 nicht gefunden").arg(className);
            if (!Error(message))
                throw EClassNotFound(message);
            cur_.SetPosition(start);
            cur_.SkipComponent(depth_);
            return nullptr;
        }
        c = info->Create(Owner);
        created_.push_back(c);
        if (!Root) {  // the root of a read without one
            Root = c;
            Owner = c;
        }
    }
    c->SetLoading(true);
    loaded_.push_back(c);
    if (Parent && c != Parent)
        if (const TClassInfo* info = ClassInfoOf(*c); info && info->WithSetParent())
            info->WithSetParent()->SetParentComponent(*c, Parent);
    NameComponent(c, name);

    const QString savedName = componentName_;
    componentName_ = c->Name;
    ReadProperties(*c);
    TComponent* savedParent = Parent;
    Parent = c;
    ++depth_;
    while (cur_.PeekByte() != 0)
        ReadComponent(nullptr);
    --depth_;
    cur_.Byte();
    Parent = savedParent;
    componentName_ = savedName;
    return c;
}

void TReader::NameComponent(TComponent* c, QString name)
{
    if (OnSetName)
        OnSetName(*this, c, name);
    if (TComponent* owner = c->Owner(); owner && !name.isEmpty()) {
        if (NameTaken(owner, c, name)) {
            const QString message = QStringLiteral("Eine Komponente mit dem Namen %1 existiert bereits").arg(name);
            if (!Error(message))
                throw EReadError(message);
            name.clear();
        }
    }
    c->Name = name;
    if (names_.owner == c->Owner())
        names_.names.insert(name.toLower());
}

bool TReader::NameTaken(TComponent* owner, TComponent* self, const QString& name)
{
    const int count = owner->ComponentCount();
    const bool justAppended = names_.owner == owner && count == names_.count + 1 &&
                              owner->Components(count - 1) == self && self->Name.isEmpty();
    if (!justAppended && !(names_.owner == owner && count == names_.count)) {
        names_.owner = owner;
        names_.names.clear();
        for (int i = 0; i < count; ++i)
            if (TComponent* other = owner->Components(i); other != self && !other->Name.isEmpty())
                names_.names.insert(other->Name.toLower());
    }
    names_.count = count;
    if (self->Name.compare(name, Qt::CaseInsensitive) == 0)
        return false;  // keeps its own name
    return names_.names.contains(name.toLower());
}

void TReader::ReadProperties(TPersistent& obj)
{
    while (cur_.PeekByte() != 0)
        ReadProperty(obj);
    cur_.Byte();
}

void TReader::ReadProperty(TPersistent& obj)
{
    const QString path = Latin1(cur_.ShortBytes());
    const qsizetype valueStart = cur_.Position();
    try {
        ReadPropertyValue(obj, path);
    } catch (const Exception& e) {
        const QString message = QStringLiteral("Fehler beim Lesen von %1.%2: %3")
                                    .arg(componentName_, path, e.Message);
        if (!Error(message))
            throw EReadError(message);
        cur_.SetPosition(valueStart);
        cur_.SkipValue();
    }
}

void TReader::ReadPropertyValue(TPersistent& obj, const QString& path)
{
    const QStringList segments = path.split(QLatin1Char('.'));
    TPersistent* target = &obj;
    for (qsizetype i = 0; i + 1 < segments.size(); ++i) {
        const TClassInfo* info = ClassInfoOf(*target);
        const TPropInfo* prop = info ? info->FindProperty(segments[i]) : nullptr;
        if (prop && prop->Kind == TPropKind::Object && prop->GetObject(*target)) {
            target = prop->GetObject(*target);
            continue;
        }
        if (prop && prop->Kind == TPropKind::Strings && i + 2 == segments.size() &&
            segments.last().compare(QLatin1String("Strings"), Qt::CaseInsensitive) == 0) {
            ReadStrings(prop->GetStrings(*target));
            return;
        }
        throw EReadError(QStringLiteral("Die Eigenschaft %1 existiert nicht").arg(segments[i]));
    }
    const QString& last = segments.last();
    const TClassInfo* info = ClassInfoOf(*target);
    const TPropInfo* prop = info ? info->FindProperty(last) : nullptr;
    if (prop && prop->Kind != TPropKind::Object && prop->Kind != TPropKind::Strings) {
        ReadValueInto(*target, *prop, path);
        return;
    }
    if (ReadDefined(*target, last))
        return;
    throw EReadError(QStringLiteral("Die Eigenschaft %1 existiert nicht").arg(last));
}

bool TReader::ReadDefined(TPersistent& obj, const QString& name)
{
    const TClassInfo* info = ClassInfoOf(obj);
    if (!info)
        return false;
    TReaderFiler filer(*this, name);
    for (const TClassInfo* c : info->Chain()) {
        if (c->DefineProperties)
            c->DefineProperties(obj, filer);
        if (filer.Found())
            return true;
    }
    return false;
}

void TReader::ReadStrings(TStringList* list)
{
    if (!list)
        throw EReadError(QStringLiteral("Die Eigenschaft Strings existiert nicht"));
    ReadListBegin();
    list->Clear();
    while (!EndOfList())
        list->Add(ReadString());
    ReadListEnd();
}

QString TReader::InvalidValue(const QString& path) const
{
    return QStringLiteral("Ungültiger Wert der Eigenschaft %1").arg(path);
}

void TReader::ReadValueInto(TPersistent& obj, const TPropInfo& prop, const QString& path)
{
    switch (prop.Kind) {
    case TPropKind::Integer: {
        if (prop.Enum && cur_.PeekTag() == TValueType::vaIdent) {
            const auto v = prop.Enum->ValueOf(ReadIdent());
            if (!v)
                throw EReadError(InvalidValue(path));
            prop.Set(obj, *v);
        } else {
            const int64_t v = ReadInt64();
            if (v < prop.MinInteger || v > prop.MaxInteger)
                throw EReadError(InvalidValue(path));
            prop.Set(obj, v);
        }
        return;
    }
    case TPropKind::Boolean: prop.Set(obj, ReadBoolean()); return;
    case TPropKind::Enum: {
        const auto v = prop.Enum ? prop.Enum->ValueOf(ReadIdent()) : std::nullopt;
        if (!v)
            throw EReadError(InvalidValue(path));
        prop.Set(obj, *v);
        return;
    }
    case TPropKind::Set: {
        const TValueType t = cur_.Tag();
        if (t != TValueType::vaSet)
            throw EReadError(QStringLiteral("Menge erwartet, %1 gefunden").arg(ValueTypeName(t)));
        uint64_t bits = 0;
        for (QByteArray ident = cur_.ShortBytes(); !ident.isEmpty(); ident = cur_.ShortBytes()) {
            const auto v = prop.Enum ? prop.Enum->ValueOf(Latin1(ident)) : std::nullopt;
            if (!v || *v < 0 || *v > 63)
                throw EReadError(InvalidValue(path));
            bits |= uint64_t(1) << *v;
        }
        prop.Set(obj, static_cast<int64_t>(bits));
        return;
    }
    case TPropKind::Float:
    case TPropKind::Single:
    case TPropKind::Date: {
        const long double v = ReadFloat();
        if (std::isfinite(v) && std::fabs(v) > prop.MaxMagnitude)
            throw EReadError(InvalidValue(path));
        prop.Set(obj, v);
        return;
    }
    case TPropKind::Currency: {
        if (cur_.PeekTag() == TValueType::vaCurrency) {
            cur_.Tag();
            prop.Set(obj, cur_.SignedLE(8));
        } else {
            const long double v = std::round(ReadFloat() * 10000.0L);
            if (!(std::fabs(v) < 9.2e18L))
                throw EReadError(InvalidValue(path));
            prop.Set(obj, static_cast<int64_t>(v));
        }
        return;
    }
    case TPropKind::String: prop.Set(obj, ReadString()); return;
    case TPropKind::Method: {
        if (cur_.PeekTag() == TValueType::vaNil) {
            cur_.Tag();
            prop.Set(obj, QString());
            return;
        }
        const QString method = ReadIdent();
        bool error = false;
        if (OnFindMethod)
            OnFindMethod(*this, method, error);
        if (error)
            throw EReadError(QStringLiteral("Die Methode %1 wurde nicht gefunden").arg(method));
        prop.Set(obj, method);
        return;
    }
    case TPropKind::Component: {
        const QString name = ReadIdent();
        if (name == QLatin1String("nil"))
            prop.SetComponent(obj, nullptr);
        else
            fixups_.push_back({&obj, &prop, name, componentName_ + QLatin1Char('.') + path});
        return;
    }
    case TPropKind::Collection: ReadCollection(obj, prop); return;
    case TPropKind::Object:
    case TPropKind::Strings: break;
    }
    throw EReadError(InvalidValue(path));
}

void TReader::ReadCollection(TPersistent& obj, const TPropInfo& prop)
{
    const TValueType t = cur_.Tag();
    if (t != TValueType::vaCollection)
        throw EReadError(QStringLiteral("Collection erwartet, %1 gefunden").arg(ValueTypeName(t)));
    prop.Collection.Clear(obj);
    if (depth_ >= kMaxStreamNesting)
        cur_.Fail(QStringLiteral("Zu tief verschachtelte Werte"));
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(++d) {}
        ~DepthGuard() { --depth; }
    } guard(depth_);
    while (!EndOfList()) {
        const TValueType next = cur_.PeekTag();
        if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
            cur_.IntegerValue(false);  // the item's index: items are kept in stream order
        ReadListBegin();
        ReadProperties(*prop.Collection.Add(obj));
    }
    ReadListEnd();
}

TComponent* TReader::ResolveReference(const QString& name) const
{
    const QStringList parts = name.split(QLatin1Char('.'));
    TComponent* base = Root;
    for (const QString& part : parts) {
        if (!base)
            return nullptr;
        TComponent* found = base->FindComponent(part);
        if (!found && base == Root && Root->Name.compare(part, Qt::CaseInsensitive) == 0 && parts.size() == 1)
            found = Root;
        base = found;
    }
    return base;
}

void TReader::FinishRead()
{
    std::vector<Fixup> fixups;
    fixups.swap(fixups_);
    for (const Fixup& f : fixups) {
        if (TComponent* target = ResolveReference(f.name)) {
            f.prop->SetComponent(*f.object, target);
            continue;
        }
        const QString message = QStringLiteral("Fehler beim Lesen von %1: Ungültiger Bezug auf %2")
                                    .arg(f.context, f.name);
        if (!Error(message))
            throw EReadError(message);
    }
    std::vector<TComponent*> loaded;
    loaded.swap(loaded_);
    created_.clear();
    for (TComponent* c : loaded)
        c->Loaded();
}

void TReader::FreeCreated()
{
    fixups_.clear();
    loaded_.clear();
    // Children were created after their parents: free them first.
    while (!created_.empty()) {
        TComponent* c = created_.back();
        created_.pop_back();
        if (c == Root)
            Root = nullptr;
        if (c == Owner)
            Owner = nullptr;
        delete c;
    }
}

TComponent* ComponentFromBytes(const QByteArray& bytes, TComponent* root,
                               const std::function<void(TReader&, const QString&, bool&)>& errorHandler)
{
    TReader reader(bytes);
    reader.OnError = errorHandler;
    return reader.ReadRootComponent(root);
}
