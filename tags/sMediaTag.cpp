#include "tags/sMediaTag.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/CodePage.h"
#include "tags/TagText.h"

namespace {

bool SameNameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (platform::AnsiUpperByte(a[i]) != platform::AnsiUpperByte(b[i])) return false;
  }
  return true;
}

}  // namespace

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent,
                       std::initializer_list<TPropInfo> props)
    : FName(std::move(name)), FParent(parent), FProps(props) {}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
  std::vector<const TPropInfo*> out;
  if (FParent != nullptr) out = FParent->AllProperties();
  for (const TPropInfo& p : FProps) out.push_back(&p);
  return out;
}

const TPropInfo* TClassInfo::Find(std::string_view name) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->FParent) {
    for (const TPropInfo& p : c->FProps) {
      if (SameNameIgnoringAsciiCase(p.Name, name)) return &p;
    }
  }
  return nullptr;
}

const TClassInfo& TPersistent::StaticClass() {
  static const TClassInfo info("TPersistent", nullptr, {});
  return info;
}

const TClassInfo& TsMediaTag::StaticClass() {
  static const TClassInfo info("TsMediaTag", &TPersistent::StaticClass(), {});
  return info;
}

// Shortest general form with at most 15 significant digits: fixed notation while the
// exponent lies in [-5, 14], scientific ("1.5E20", "1E-7") outside.
std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", value);  // d.dddddddddddddde[+-]xx
  std::string s(buf);
  const size_t e = s.find('e');
  const int exponent = std::atoi(s.c_str() + e + 1);
  const bool negative = s[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i) {
    if (s[i] != '.') digits += s[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= -5 && exponent < 15) {
    if (exponent < 0) {
      out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else if (static_cast<size_t>(exponent) + 1 >= digits.size()) {
      out += digits + std::string(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
    } else {
      out += digits.substr(0, static_cast<size_t>(exponent) + 1) + "." +
             digits.substr(static_cast<size_t>(exponent) + 1);
    }
    return out;
  }
  out += digits.substr(0, 1);
  if (digits.size() > 1) out += "." + digits.substr(1);
  return out + "E" + std::to_string(exponent);
}

std::string PropValueToText(const TPropInfo& prop, const TPropValue& value) {
  switch (prop.Kind) {
    case TPropKind::Int8: case TPropKind::Int16: case TPropKind::Int32: case TPropKind::Int64:
      return std::to_string(std::get<int64_t>(value));
    case TPropKind::UInt8: case TPropKind::UInt16: case TPropKind::UInt32: case TPropKind::UInt64:
      return std::to_string(std::get<uint64_t>(value));
    case TPropKind::Boolean:
      return std::get<bool>(value) ? "True" : "False";
    case TPropKind::Enumeration: {
      const int64_t ordinal = std::get<int64_t>(value);
      if (ordinal >= 0 && static_cast<uint64_t>(ordinal) < prop.EnumNames.size()) {
        return prop.EnumNames[static_cast<size_t>(ordinal)];
      }
      return std::to_string(ordinal);  // an ordinal without identifier: show the number
    }
    case TPropKind::Float:
      return FloatToStr(std::get<double>(value));
    case TPropKind::String:
      return std::get<std::string>(value);
    case TPropKind::WideString:
      return WideToAnsiText(std::get<std::u16string>(value));
    case TPropKind::Object:
      return "";
  }
  return "";
}

const TPropInfo* FindProperty(const TPersistent& obj, std::string_view name) {
  return obj.ClassInfo().Find(name);
}

std::string GetPropText(const TPersistent& obj, std::string_view name) {
  const TPropInfo* prop = FindProperty(obj, name);
  if (prop == nullptr) return "";
  return PropValueToText(*prop, prop->Get(obj));
}

const TPersistent* GetPropObject(const TPersistent& obj, std::string_view name) {
  const TPropInfo* prop = FindProperty(obj, name);
  if (prop == nullptr || prop->Kind != TPropKind::Object) return nullptr;
  return std::get<const TPersistent*>(prop->Get(obj));
}
