#include "common/VTStrUtils.h"

namespace vtstr {

std::wstring PadRight(const std::wstring& s, int32_t w) {
  if (w <= 0) return std::wstring();
  const size_t width = static_cast<size_t>(w);
  if (s.size() >= width) return s.substr(0, width);
  return s + std::wstring(width - s.size(), L' ');
}

std::wstring PadLeft(const std::wstring& s, int32_t w) {
  if (w <= 0) return std::wstring();
  const size_t width = static_cast<size_t>(w);
  if (s.size() >= width) return s.substr(0, width);
  return std::wstring(width - s.size(), L' ') + s;
}

std::wstring IntToStr(int64_t n) {
  // Built by hand so the text is the same on every platform and locale.
  wchar_t buf[24];
  int i = 24;
  uint64_t u = n < 0 ? static_cast<uint64_t>(-(n + 1)) + 1 : static_cast<uint64_t>(n);
  do {
    buf[--i] = static_cast<wchar_t>(L'0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (n < 0) buf[--i] = L'-';
  return std::wstring(buf + i, buf + 24);
}

std::wstring InsertThousands(const std::wstring& s) {
  const size_t dot = s.find(L'.');
  std::wstring intPart = dot == std::wstring::npos ? s : s.substr(0, dot);
  const std::wstring tail = dot == std::wstring::npos ? std::wstring() : s.substr(dot);
  std::wstring groups;
  while (intPart.size() > 3) {
    groups = L"," + intPart.substr(intPart.size() - 3) + groups;
    intPart.erase(intPart.size() - 3);
  }
  return intPart + groups + tail;
}

std::wstring FormatThousands(int64_t n) { return InsertThousands(IntToStr(n)); }

std::wstring ZeroPad(int64_t n, int32_t w) {
  if (w < 1) w = 1;
  if (w > 12) w = 12;
  const int64_t mod = 1000000000000LL;
  const int64_t v = (n < 0 ? 0 : n % mod) + mod;  // 13 digits, leading "1"
  const std::wstring t = IntToStr(v);
  return t.substr(t.size() - static_cast<size_t>(w));
}

int32_t BCDToInt(uint32_t x) {
  int64_t sum = 0;
  int64_t weight = 1;
  for (;;) {
    sum += weight * static_cast<int64_t>(x & 15u);
    weight *= 10;
    if (x < 16) break;
    x >>= 4;
  }
  return static_cast<int32_t>(sum);
}

std::wstring CenterOverlay(const std::wstring& s, const std::wstring& t) {
  const int64_t a = (static_cast<int64_t>(s.size()) - static_cast<int64_t>(t.size())) / 2;
  std::wstring r;
  if (a > 0) r = s.substr(0, static_cast<size_t>(a));
  r += t;
  const int64_t from = a + static_cast<int64_t>(t.size());  // 0-based start of the rest
  if (from >= 0 && static_cast<size_t>(from) < s.size()) r += s.substr(static_cast<size_t>(from));
  return r;
}

std::wstring StripExtension(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

bool IsNumeric(const std::wstring& s) {
  if (s.empty()) return false;
  for (wchar_t c : s)
    if (c < L'0' || c > L'9') return false;
  return true;
}

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= L' ') ++b;
  while (e > b && s[e - 1] <= L' ') --e;
  return s.substr(b, e - b);
}

std::wstring TrimRight(const std::wstring& s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] <= L' ') --e;
  return s.substr(0, e);
}

std::wstring UpperAscii(const std::wstring& s) {
  std::wstring r(s);
  for (wchar_t& c : r)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return r;
}

std::wstring AsciiToWide(const std::string& s) {
  return std::wstring(s.begin(), s.end());
}

}  // namespace vtstr
