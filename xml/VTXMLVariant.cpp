// The variant and the text-to-number and text-to-Boolean conversions.
#include "xml/VTXMLVariant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/VTPlatform.h"

namespace vtxml {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Leading blanks, a sign, then decimal digits or hexadecimal digits after "$", "0x" or "x".
// Hexadecimal: at most maxHex digits, taken as a bit pattern of that many nibbles. Decimal:
// the magnitude may not exceed limit (limit + 1 with a minus sign).
bool ParseInteger(const std::wstring& s, size_t maxHex, uint64_t limit, bool& negative, uint64_t& magnitude,
                  bool& hex) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  negative = false;
  if (i < n && (s[i] == L'+' || s[i] == L'-')) {
    negative = s[i] == L'-';
    ++i;
  }
  hex = false;
  if (i < n && s[i] == L'$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
    hex = true;
    i += 2;
  } else if (i < n && (s[i] == L'x' || s[i] == L'X')) {
    hex = true;
    ++i;
  }
  if (i >= n) return false;
  uint64_t v = 0;
  if (hex) {
    size_t digits = 0;
    for (; i < n; ++i) {
      const int d = HexDigit(s[i]);
      if (d < 0 || ++digits > maxHex) return false;
      v = (v << 4) | static_cast<uint64_t>(d);
    }
  } else {
    const uint64_t max = negative ? limit + 1 : limit;
    for (; i < n; ++i) {
      if (s[i] < L'0' || s[i] > L'9') return false;
      const uint64_t d = static_cast<uint64_t>(s[i] - L'0');
      if (v > (max - d) / 10) return false;
      v = v * 10 + d;
    }
  }
  magnitude = v;
  return true;
}

std::wstring LowerAscii(const std::wstring& s) {
  std::wstring r(s);
  for (wchar_t& c : r)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  return r;
}

}  // namespace

bool TryStrToInt32(const std::wstring& s, int32_t& out) {
  bool negative = false, hex = false;
  uint64_t m = 0;
  if (!ParseInteger(s, 8, 0x7FFFFFFFu, negative, m, hex)) return false;
  uint32_t bits = static_cast<uint32_t>(m);
  if (negative) bits = 0u - bits;
  out = static_cast<int32_t>(bits);
  return true;
}

int32_t StrToInt32(const std::wstring& s) {
  int32_t n = 0;
  if (!TryStrToInt32(s, n)) throw EVTConvertError("'" + vtplatform::ToUtf8(s) + "' is not a valid integer value");
  return n;
}

bool TryStrToInt64(const std::wstring& s, int64_t& out) {
  bool negative = false, hex = false;
  uint64_t m = 0;
  if (!ParseInteger(s, 16, 0x7FFFFFFFFFFFFFFFull, negative, m, hex)) return false;
  if (negative) m = 0 - m;
  out = static_cast<int64_t>(m);
  return true;
}

bool TryStrToDouble(const std::wstring& s, double& out) {
  // Checked by hand first, so that the C conversion sees only a plain decimal number.
  std::string a;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  if (i < n && (s[i] == L'+' || s[i] == L'-')) a += static_cast<char>(s[i++]);
  size_t digits = 0;
  while (i < n && s[i] >= L'0' && s[i] <= L'9') a += static_cast<char>(s[i++]), ++digits;
  if (i < n && s[i] == L'.') {
    a += '.';
    ++i;
    while (i < n && s[i] >= L'0' && s[i] <= L'9') a += static_cast<char>(s[i++]), ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (s[i] == L'e' || s[i] == L'E')) {
    a += 'e';
    ++i;
    if (i < n && (s[i] == L'+' || s[i] == L'-')) a += static_cast<char>(s[i++]);
    size_t e = 0;
    while (i < n && s[i] >= L'0' && s[i] <= L'9') a += static_cast<char>(s[i++]), ++e;
    if (e == 0) return false;
  }
  if (i != n) return false;
  const double d = std::strtod(a.c_str(), nullptr);
  if (!std::isfinite(d)) return false;
  out = d;
  return true;
}

bool TryStrToBool(const std::wstring& s, bool& out) {
  const std::wstring l = LowerAscii(s);
  if (l == L"true") {
    out = true;
    return true;
  }
  if (l == L"false") {
    out = false;
    return true;
  }
  int64_t n = 0;
  if (TryStrToInt64(s, n)) {
    out = n != 0;
    return true;
  }
  double d = 0;
  if (TryStrToDouble(s, d)) {
    out = d != 0;
    return true;
  }
  return false;
}

bool StrToBool(const std::wstring& s) {
  bool b = false;
  if (!TryStrToBool(s, b)) throw EVTConvertError("'" + vtplatform::ToUtf8(s) + "' is not a valid boolean value");
  return b;
}

}  // namespace vtxml

// --- variant ---

TVTVariant TVTVariant::FromUInt64(uint64_t n) { return TVTVariant(TKind::UInt64, static_cast<int64_t>(n)); }

TVTVariant TVTVariant::FromDouble(double d) {
  TVTVariant v;
  v.FKind = TKind::Double;
  v.FDouble = d;
  return v;
}

bool TVTVariant::IsInteger() const {
  switch (FKind) {
    case TKind::Int8:
    case TKind::Int16:
    case TKind::Int32:
    case TKind::Int64:
    case TKind::UInt8:
    case TKind::UInt16:
    case TKind::UInt32:
    case TKind::UInt64:
      return true;
    default:
      return false;
  }
}

std::wstring TVTVariant::AsString() const {
  switch (FKind) {
    case TKind::Empty: return std::wstring();
    case TKind::String: return FString;
    case TKind::Boolean: return FInt ? L"True" : L"False";
    case TKind::UInt64: return std::to_wstring(static_cast<uint64_t>(FInt));
    case TKind::Double: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", FDouble);
      return std::wstring(buf, buf + std::char_traits<char>::length(buf));
    }
    default: return std::to_wstring(FInt);
  }
}

int64_t TVTVariant::AsInteger() const {
  switch (FKind) {
    case TKind::Empty: return 0;
    case TKind::String: {
      int64_t n = 0;
      if (!vtxml::TryStrToInt64(FString, n))
        throw EVTConvertError("'" + vtplatform::ToUtf8(FString) + "' is not a valid integer value");
      return n;
    }
    case TKind::Double: {
      // Truncated; outside the 64-bit range (or not a number) the conversion fails.
      if (!(FDouble > -9223372036854775808.0 && FDouble < 9223372036854775808.0))
        throw EVTConvertError("floating-point value out of the integer range");
      return static_cast<int64_t>(FDouble);
    }
    default: return FInt;
  }
}

bool TVTVariant::AsBoolean() const {
  switch (FKind) {
    case TKind::Empty: return false;
    case TKind::String: return vtxml::StrToBool(FString);
    case TKind::Double: return FDouble != 0;
    default: return FInt != 0;
  }
}

double TVTVariant::AsDouble() const {
  switch (FKind) {
    case TKind::Empty: return 0;
    case TKind::String: {
      double d = 0;
      int64_t n = 0;
      if (vtxml::TryStrToInt64(FString, n)) return static_cast<double>(n);
      if (!vtxml::TryStrToDouble(FString, d))
        throw EVTConvertError("'" + vtplatform::ToUtf8(FString) + "' is not a valid floating point value");
      return d;
    }
    case TKind::Double: return FDouble;
    case TKind::UInt64: return static_cast<double>(static_cast<uint64_t>(FInt));
    default: return static_cast<double>(FInt);
  }
}

namespace {

// Integer kinds compare by value, UInt64 above the signed range included.
bool IntegersEqual(const TVTVariant& a, const TVTVariant& b) {
  const bool ua = a.Kind() == TVTVariant::TKind::UInt64, ub = b.Kind() == TVTVariant::TKind::UInt64;
  const int64_t x = a.AsInteger(), y = b.AsInteger();
  if (ua != ub) {
    // one side unsigned 64-bit: equal only when the signed side is not negative
    const int64_t s = ua ? y : x;
    if (s < 0) return false;
  }
  return x == y;
}

}  // namespace

bool TVTVariant::operator==(const TVTVariant& o) const {
  if (FKind == TKind::Empty || o.FKind == TKind::Empty) {
    const TVTVariant& other = FKind == TKind::Empty ? o : *this;
    return other.FKind == TKind::Empty || (other.FKind == TKind::String && other.FString.empty());
  }
  if (FKind == TKind::String && o.FKind == TKind::String) return FString == o.FString;
  if (FKind == TKind::String || o.FKind == TKind::String) {
    // The text is converted to the other side's kind; a text that does not convert is unequal.
    const TVTVariant& str = FKind == TKind::String ? *this : o;
    const TVTVariant& other = FKind == TKind::String ? o : *this;
    if (other.FKind == TKind::Boolean) {
      bool b = false;
      return vtxml::TryStrToBool(str.FString, b) && b == (other.FInt != 0);
    }
    if (other.FKind == TKind::Double) {
      double d = 0;
      int64_t n = 0;
      if (vtxml::TryStrToInt64(str.FString, n)) return static_cast<double>(n) == other.FDouble;
      return vtxml::TryStrToDouble(str.FString, d) && d == other.FDouble;
    }
    int64_t n = 0;
    if (!vtxml::TryStrToInt64(str.FString, n)) return false;
    return IntegersEqual(TVTVariant::FromInt64(n), other);
  }
  if (FKind == TKind::Boolean || o.FKind == TKind::Boolean) {
    return AsBoolean() == o.AsBoolean();
  }
  if (FKind == TKind::Double || o.FKind == TKind::Double) return AsDouble() == o.AsDouble();
  return IntegersEqual(*this, o);
}
