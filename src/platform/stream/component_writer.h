#pragma once
// TWriter: writes components in the binary component stream.
//
// A component is written as its flag-free header (class name, name), its
// published properties in table order with the parent class's first (a
// value equal to its declared default is left out; sub-objects as
// "Font.Name", string lists as "Lines.Strings"), then the defined properties
// of each class in the chain, the end of the list, its child components
// and the end of that list.

#include "platform/stream/class_registry.h"
#include "platform/stream/stream_format.h"

#include <QByteArray>

class TWriter {
public:
    explicit TWriter(QByteArray& out) : enc_(out) {}

    // References to other components are written relative to Root: by name
    // when Root owns them, else as "Owner.Name".
    TComponent* Root = nullptr;

    void WriteSignature();
    // Root := root; the signature and the root with all its children.
    void WriteRootComponent(TComponent* root);
    // One component with its properties and children (no signature).
    // Throws EWriteError for a class without a description.
    void WriteComponent(TComponent* component);

    // Values, for defined properties.
    void WriteInteger(int64_t v) { enc_.Integer(v); }
    void WriteBoolean(bool v) { enc_.Tag(v ? TValueType::vaTrue : TValueType::vaFalse); }
    void WriteString(const QString& s) { enc_.String(s); }
    void WriteIdent(const QString& ident) { enc_.Ident(ident); }
    void WriteFloat(long double v) { enc_.Extended(v); }
    void WriteSingle(float v) { enc_.Single(v); }
    void WriteCurrency(int64_t scaled) { enc_.Currency(scaled); }
    void WriteDate(double v) { enc_.Date(v); }
    void WriteBinary(const QByteArray& bytes) { enc_.Binary(bytes); }
    void WriteListBegin() { enc_.Tag(TValueType::vaList); }
    void WriteListEnd() { enc_.Tag(TValueType::vaNull); }

    QByteArray& Bytes() { return enc_.Out(); }

private:
    void WriteProperties(TPersistent& obj, const QString& prefix, int depth);
    void WriteProperty(TPersistent& obj, const TPropInfo& prop, const QString& prefix, int depth);
    void WritePropName(const QString& name) { enc_.ShortString(name.toLatin1()); }
    QString ReferenceName(TComponent* c) const;

    TByteEncoder enc_;
};

// The signature and the component with all its children, as one byte array.
QByteArray ComponentToBytes(TComponent* component, TComponent* root = nullptr);
