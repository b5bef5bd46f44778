#pragma once
// Short forms for the stream descriptions of the engine's classes: the
// getter and setter of a published property from member functions, and an
// enumeration registered under its identifier table.

#include <QString>
#include <QStringList>

#include <span>

#include "platform/stream/class_registry.h"

namespace rgdescribe {

template <class F> auto Get(F f)
{
    return [f](const auto& o) { return (o.*f)(); };
}
template <class F> auto Put(F f)
{
    return [f](auto& o, auto v) { (o.*f)(v); };
}

inline const TEnumInfo* Enum(const char* TypeName, std::span<const char* const> Identifiers)
{
    QStringList identifiers;
    for (const char* identifier : Identifiers)
        identifiers << QString::fromLatin1(identifier);
    return RegisterEnum(QString::fromLatin1(TypeName), identifiers);
}

}  // namespace rgdescribe
