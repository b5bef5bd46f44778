#pragma once
// TReader: reads components from the binary component stream.
//
// Components are created by class name through the class registry, owned by
// Owner, attached to their parent (the component whose child list holds
// them) before their properties are read, named (OnSetName may change the
// name), filled property by property, and, when the whole read is done,
// their component references are resolved by name against Root and each
// gets Loaded().
//
// Errors. A property that cannot be read (unknown name, wrong value type,
// unknown identifier, missing method, unresolved reference, a value the
// class refuses) and a component of an unknown class go to OnError: when it
// sets Handled, the value (or the whole component) is skipped and reading
// goes on; otherwise the read ends with EReadError (EClassNotFound for an
// unknown class). A stream that cannot be read on (truncated, corrupt
// structure, nesting deeper than kMaxStreamNesting) ends the read with
// EReadError. Components created by a read that fails are freed again.
// Nothing is allocated on a length the stream gives before the bytes it
// stands for are there.

#include "platform/stream/class_registry.h"
#include "platform/stream/stream_format.h"

#include <QByteArray>
#include <QSet>

#include <functional>
#include <vector>

class TReader {
public:
    // Reads data from start on; bytes after what is read are not looked at.
    explicit TReader(const QByteArray& data, qsizetype start = 0);

    TComponent* Root = nullptr;    // references and methods are resolved against it
    TComponent* Owner = nullptr;   // owner of the components created
    TComponent* Parent = nullptr;  // parent of the top-level components read

    std::function<void(TReader& reader, const QString& message, bool& handled)> OnError;
    std::function<void(TReader& reader, TComponent* component, QString& name)> OnSetName;
    // Asked for every event property; set error when the method is unknown.
    std::function<void(TReader& reader, const QString& methodName, bool& error)> OnFindMethod;

    void ReadSignature();  // EReadError when "TPF0" is not next
    // The signature and one component with its children. Without a root the
    // component is created (no owner) and becomes Root and Owner; with one,
    // the stream's properties and children are read into it.
    TComponent* ReadRootComponent(TComponent* root = nullptr);
    // Signature-plus-component entries up to the end-of-list byte, each
    // owned by owner, parent as given; proc is called with each (skipped
    // components are not passed). Root stays as set (owner when unset).
    void ReadComponents(TComponent* owner, TComponent* parent, const std::function<void(TComponent*)>& proc);

    // Values, for defined properties. Each throws EReadError when the next
    // value is not of the kind asked for.
    TValueType NextValue() const { return cur_.PeekTag(); }
    TValueType ReadValue() { return cur_.Tag(); }
    int32_t ReadInteger();
    int64_t ReadInt64() { return cur_.IntegerValue(true); }
    bool ReadBoolean();
    QString ReadString() { return cur_.StringValue(); }
    QString ReadIdent() { return cur_.IdentValue(); }
    long double ReadFloat();  // any number
    QByteArray ReadBinary();
    void ReadListBegin();
    bool EndOfList() const { return cur_.PeekTag() == TValueType::vaNull; }
    void ReadListEnd();
    void SkipValue() { cur_.SkipValue(); }
    // Raw bytes after a tag read with ReadValue (e.g. a 10-byte extended).
    void Read(void* buffer, int count);

    qsizetype Position() const { return cur_.Position(); }
    // Sends a message through OnError; true when the handler passed it over.
    bool Error(const QString& message);

private:
    struct Fixup {
        TPersistent* object;
        const TPropInfo* prop;
        QString name;
        QString context;
    };

    TComponent* ReadComponent(TComponent* existing);
    void ReadProperties(TPersistent& obj);
    void ReadProperty(TPersistent& obj);
    void ReadPropertyValue(TPersistent& obj, const QString& path);
    void ReadValueInto(TPersistent& obj, const TPropInfo& prop, const QString& path);
    bool ReadDefined(TPersistent& obj, const QString& name);
    void ReadStrings(TStringList* list);
    void ReadCollection(TPersistent& obj, const TPropInfo& prop);
    void NameComponent(TComponent* c, QString name);
    TComponent* ResolveReference(const QString& name) const;
    void FinishRead();
    void FreeCreated();
    QString InvalidValue(const QString& path) const;

    // Lower-case names of the owner's components, so that checking each new
    // name does not walk the whole owner (a template holds hundreds).
    struct NameIndex {
        TComponent* owner = nullptr;
        int count = -1;
        QSet<QString> names;
    };
    bool NameTaken(TComponent* owner, TComponent* self, const QString& name);

    QByteArray data_;
    TByteCursor cur_;
    NameIndex names_;
    int depth_ = 0;
    QString componentName_;  // the component being read, for messages
    std::vector<TComponent*> created_;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
};

// Reads the signature and one component from bytes (see ReadRootComponent).
// errorHandler may be empty: every error then ends the read.
TComponent* ComponentFromBytes(const QByteArray& bytes, TComponent* root = nullptr,
                               const std::function<void(TReader&, const QString&, bool&)>& errorHandler = {});
