#pragma once
// Published properties and the reader base class.
//
// Every reader and tag class exposes its data as named, typed properties that the front-end
// looks up by name (ASCII case ignored, ancestors searched) and renders as text. A class
// declares its table once, in publish order; the kind of each property comes from the
// getter's return type (uint8_t -> UInt8, bool -> Boolean, double -> Float, std::string ->
// String, std::u16string -> WideString, pointer to a TPersistent -> Object, ...).
//
// How a reader declares itself (copy this pattern):
//
//   // Foo.h
//   class TFoo : public TsMediaTag {
//    public:
//     static const TsMediaTagClass ClassRef;           // the class reference
//     static const TClassInfo& StaticClass();          // its published properties
//     const TClassInfo& ClassInfo() const override { return StaticClass(); }
//     TFoo();
//     void ResetData();
//     bool ReadFromFile(const std::string& FileName) override;
//     bool Valid() const;
//     uint16_t BitRate() const;
//     const TID3v1* ID3v1() const;                     // published tag object
//     ...
//   };
//
//   // Foo.cpp
//   const TsMediaTagClass TFoo::ClassRef = MakeClassRef<TFoo>("TFoo");
//   const TClassInfo& TFoo::StaticClass() {
//     static const TClassInfo info("TFoo", &TsMediaTag::StaticClass(), {
//         Publish("Valid", &TFoo::Valid),
//         Publish("BitRate", &TFoo::BitRate),
//         Publish("ID3v1", &TFoo::ID3v1),
//         PublishEnum("Mode", &TFoo::Mode, {"fmOne", "fmTwo"}),  // enumeration by identifier
//     });
//     return info;
//   }

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

class TPersistent;

// The type kinds a published property can have; they decide how the value renders as text.
enum class TPropKind {
  Int8, UInt8, Int16, UInt16, Int32, UInt32, Int64, UInt64,
  Boolean,
  Enumeration,  // rendered by the identifier of its ordinal
  Float,        // double
  String,       // 8-bit text in the ANSI code page
  WideString,   // UTF-16, converted to the ANSI code page when rendered
  Object,       // another TPersistent (a tag object); renders as the empty text
};

// A property's current value. Integers of every width travel as int64_t / uint64_t;
// enumerations as their ordinal in int64_t.
using TPropValue = std::variant<int64_t, uint64_t, bool, double, std::string, std::u16string,
                                const TPersistent*>;

struct TPropInfo {
  std::string Name;
  TPropKind Kind;
  std::function<TPropValue(const TPersistent&)> Get;
  std::vector<std::string> EnumNames;  // identifiers by ordinal, Enumeration only
};

// The run-time class information of one class: its name, its parent's and its own table.
class TClassInfo {
 public:
  TClassInfo(std::string name, const TClassInfo* parent, std::initializer_list<TPropInfo> props);

  const std::string& Name() const { return FName; }
  const TClassInfo* Parent() const { return FParent; }
  // Own properties in publish order (ancestors' not included).
  const std::vector<TPropInfo>& Properties() const { return FProps; }
  // All properties, ancestors' first, each class's in publish order.
  std::vector<const TPropInfo*> AllProperties() const;
  // Looks in this class, then in its ancestors; ASCII letter case is ignored.
  const TPropInfo* Find(std::string_view name) const;

 private:
  std::string FName;
  const TClassInfo* FParent;
  std::vector<TPropInfo> FProps;
};

// The root of every class with published properties.
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassInfo() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassInfo().Name(); }
};

namespace published_detail {

template <class T>
constexpr bool kIsObjectPointer =
    std::is_pointer_v<T> &&
    std::is_base_of_v<TPersistent, std::remove_cv_t<std::remove_pointer_t<T>>>;

template <class T>
constexpr TPropKind KindOf() {
  if constexpr (std::is_same_v<T, bool>) return TPropKind::Boolean;
  else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, float>) return TPropKind::Float;
  else if constexpr (std::is_same_v<T, std::string>) return TPropKind::String;
  else if constexpr (std::is_same_v<T, std::u16string>) return TPropKind::WideString;
  else if constexpr (kIsObjectPointer<T>) return TPropKind::Object;
  else if constexpr (std::is_integral_v<T>) {
    constexpr bool s = std::is_signed_v<T>;
    if constexpr (sizeof(T) == 1) return s ? TPropKind::Int8 : TPropKind::UInt8;
    else if constexpr (sizeof(T) == 2) return s ? TPropKind::Int16 : TPropKind::UInt16;
    else if constexpr (sizeof(T) == 4) return s ? TPropKind::Int32 : TPropKind::UInt32;
    else return s ? TPropKind::Int64 : TPropKind::UInt64;
  } else {
    static_assert(sizeof(T) == 0, "no property kind for this getter type");
  }
}

template <class T>
TPropValue ToValue(const T& v) {
  if constexpr (std::is_same_v<T, bool>) return v;
  else if constexpr (std::is_floating_point_v<T>) return static_cast<double>(v);
  else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::u16string>) return v;
  else if constexpr (kIsObjectPointer<T>) return static_cast<const TPersistent*>(v);
  else if constexpr (std::is_signed_v<T>) return static_cast<int64_t>(v);
  else return static_cast<uint64_t>(v);
}

}  // namespace published_detail

// One published property read through a const getter of class C.
template <class C, class R>
TPropInfo Publish(std::string name, R (C::*getter)() const) {
  using T = std::remove_cvref_t<R>;
  return TPropInfo{std::move(name), published_detail::KindOf<T>(),
                   [getter](const TPersistent& self) -> TPropValue {
                     return published_detail::ToValue<T>((static_cast<const C&>(self).*getter)());
                   },
                   {}};
}

// A published enumeration: names[i] is the identifier of ordinal i.
template <class C, class E>
TPropInfo PublishEnum(std::string name, E (C::*getter)() const, std::vector<std::string> names) {
  return TPropInfo{std::move(name), TPropKind::Enumeration,
                   [getter](const TPersistent& self) -> TPropValue {
                     return static_cast<int64_t>((static_cast<const C&>(self).*getter)());
                   },
                   std::move(names)};
}

// The property's value as text: integers in decimal, Booleans "True"/"False", enumerations
// by identifier, floats in the shortest general form (15 significant digits, "."), wide
// strings in the ANSI code page, objects as "".
std::string PropValueToText(const TPropInfo& prop, const TPropValue& value);
std::string FloatToStr(double value);

// Reads the property `name` of obj; nullptr when the class publishes no such property.
const TPropInfo* FindProperty(const TPersistent& obj, std::string_view name);
// The text of property `name` of obj; "" when there is none.
std::string GetPropText(const TPersistent& obj, std::string_view name);
// The object held by property `name`; nullptr when absent or not object-valued.
const TPersistent* GetPropObject(const TPersistent& obj, std::string_view name);

class TsMediaTag;

// A class reference: enough to create a reader without knowing its type.
struct TsMediaTagClass {
  std::string_view ClassName;
  std::unique_ptr<TsMediaTag> (*Create)();
};

template <class T>
std::unique_ptr<TsMediaTag> NewMediaTag() {
  return std::make_unique<T>();
}

template <class T>
constexpr TsMediaTagClass MakeClassRef(std::string_view className) {
  return TsMediaTagClass{className, &NewMediaTag<T>};
}

// The base of every per-format reader. Holds no data of its own.
class TsMediaTag : public TPersistent {
 public:
  ~TsMediaTag() override = default;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }
  // Clears the fields, reads the file and answers whether this class accepts it.
  virtual bool ReadFromFile(const std::string& FileName) = 0;
};
