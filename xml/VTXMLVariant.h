// The variant: a tagged scalar (string, Boolean, integer of a given width and signedness,
// floating-point number) that the XML path access and the settings store take and return,
// and the text-to-number conversions they share.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// A text that does not convert to the number or Boolean asked for.
class EVTConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An index outside the list it addresses.
class EVTArgumentOutOfRange : public std::out_of_range {
 public:
  EVTArgumentOutOfRange() : std::out_of_range("Argument out of range") {}
};

class TVTVariant {
 public:
  enum class TKind { Empty, String, Boolean, Int8, Int16, Int32, Int64, UInt8, UInt16, UInt32, UInt64, Double };

  TVTVariant() = default;
  TVTVariant(const std::wstring& s) : FKind(TKind::String), FString(s) {}  // NOLINT: implicit on purpose
  TVTVariant(const wchar_t* s) : FKind(TKind::String), FString(s ? s : L"") {}  // NOLINT
  // A narrow literal or any other pointer would otherwise become a Boolean.
  TVTVariant(const char*) = delete;
  template <typename T>
  TVTVariant(T*) = delete;
  TVTVariant(bool b) : FKind(TKind::Boolean), FInt(b ? 1 : 0) {}  // NOLINT
  TVTVariant(int32_t n) : FKind(TKind::Int32), FInt(n) {}  // NOLINT

  static TVTVariant FromInt8(int8_t n) { return TVTVariant(TKind::Int8, n); }
  static TVTVariant FromInt16(int16_t n) { return TVTVariant(TKind::Int16, n); }
  static TVTVariant FromInt32(int32_t n) { return TVTVariant(TKind::Int32, n); }
  static TVTVariant FromInt64(int64_t n) { return TVTVariant(TKind::Int64, n); }
  static TVTVariant FromUInt8(uint8_t n) { return TVTVariant(TKind::UInt8, n); }
  static TVTVariant FromUInt16(uint16_t n) { return TVTVariant(TKind::UInt16, n); }
  static TVTVariant FromUInt32(uint32_t n) { return TVTVariant(TKind::UInt32, n); }
  static TVTVariant FromUInt64(uint64_t n);
  static TVTVariant FromDouble(double d);

  TKind Kind() const { return FKind; }
  bool IsEmpty() const { return FKind == TKind::Empty; }
  bool IsString() const { return FKind == TKind::String; }
  bool IsBoolean() const { return FKind == TKind::Boolean; }
  bool IsInteger() const;  // any integer kind
  bool IsDouble() const { return FKind == TKind::Double; }

  // The value's text: integers in decimal, Booleans "True" / "False", a floating-point
  // number with up to 15 significant digits, a string as it is, Empty as "".
  std::wstring AsString() const;
  // Integers as they are, a Boolean as 1 / 0, a string converted (EVTConvertError when it
  // does not convert), a floating-point number truncated (EVTConvertError outside the 64-bit
  // range), Empty as 0.
  int64_t AsInteger() const;
  // A Boolean as it is, a number true when not 0, a string through StrToBool.
  bool AsBoolean() const;
  double AsDouble() const;

  // Equality across kinds: a string against a number or Boolean is converted first and is
  // unequal when it does not convert (so "5" equals true); strings compare exactly (letter
  // case counts); Empty equals only Empty and the empty string.
  bool operator==(const TVTVariant& o) const;
  bool operator!=(const TVTVariant& o) const { return !(*this == o); }

 private:
  TVTVariant(TKind k, int64_t n) : FKind(k), FInt(n) {}

  TKind FKind = TKind::Empty;
  int64_t FInt = 0;      // every integer kind and Boolean (UInt64 bit pattern)
  double FDouble = 0;
  std::wstring FString;
};

namespace vtxml {

// Signed 32-bit conversion: leading blanks, an optional sign, then decimal digits, or
// hexadecimal digits after "$", "0x" or "x" (either letter case; up to 8 of them, taken as
// the 32-bit pattern). Nothing may follow.
bool TryStrToInt32(const std::wstring& s, int32_t& out);
// The same, failing with EVTConvertError "'s' is not a valid integer value".
int32_t StrToInt32(const std::wstring& s);
// As above for 64 bits.
bool TryStrToInt64(const std::wstring& s, int64_t& out);
// A decimal floating-point text (blanks, sign, digits, ".", exponent).
bool TryStrToDouble(const std::wstring& s, double& out);
// "True" / "False" in any letter case, or a number (true when not 0).
bool TryStrToBool(const std::wstring& s, bool& out);
// The same, failing with EVTConvertError "'s' is not a valid boolean value".
bool StrToBool(const std::wstring& s);

}  // namespace vtxml
