// The parts of the platform layer that are the same everywhere: UTF-8 conversion and
// path arithmetic. Text is UTF-16 code units held in std::wstring on every platform.
#include "platform/VTPlatform.h"

#include <type_traits>

namespace vtplatform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Appends a code point as UTF-16 code units (a surrogate pair above the BMP).
void AppendUtf16(std::wstring& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<wchar_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (cp >> 10));
    out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
  }
}

bool IsDelimiter(wchar_t c) {
#ifdef _WIN32
  return c == L'\\' || c == L'/';
#else
  return c == L'/';
#endif
}

// Delimiters that end the folder part of a path: separators and, on Windows, the
// colon of a drive letter ("C:name").
bool IsDirEnd(wchar_t c) {
#ifdef _WIN32
  return IsDelimiter(c) || c == L':';
#else
  return IsDelimiter(c);
#endif
}

size_t LastDirEnd(const std::wstring& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsDirEnd(path[i - 1])) return i - 1;
  return std::wstring::npos;
}

}  // namespace

std::string ToUtf8(const std::wstring& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    // Read each unit as unsigned: wchar_t is signed on some targets.
    char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i]));
    if (IsHighSurrogate(c)) {
      char32_t next = i + 1 < s.size()
                          ? static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i + 1]))
                          : 0;
      if (IsLowSurrogate(next)) {
        c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      } else {
        c = kReplacement;
      }
    } else if (IsLowSurrogate(c) || c > 0x10FFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::wstring FromUtf8(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out += static_cast<wchar_t>(b);
      ++i;
      continue;
    }
    // Length and the allowed range of the first continuation byte, which rules out
    // overlong forms, encoded surrogates and values above U+10FFFF.
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2; cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3; cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4; cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out += static_cast<wchar_t>(kReplacement);
      ++i;
      continue;
    }
    // Consume the longest valid prefix; a broken sequence becomes one U+FFFD.
    size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      const unsigned char c = static_cast<unsigned char>(s[i + k]);
      const unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
      if (c < min || c > max) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (k == len) {
      AppendUtf16(out, cp);
    } else {
      out += static_cast<wchar_t>(kReplacement);
    }
    i += k;
  }
  return out;
}

wchar_t PathDelimiter() {
#ifdef _WIN32
  return L'\\';
#else
  return L'/';
#endif
}

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
  if (a.empty()) return b;
  size_t start = 0;
  while (start < b.size() && IsDelimiter(b[start])) ++start;
  std::wstring out = a;
  if (!IsDelimiter(out.back())) out += PathDelimiter();
  out.append(b, start, std::wstring::npos);
  return out;
}

std::wstring ExtractFileDir(const std::wstring& path) {
  const size_t i = LastDirEnd(path);
  if (i == std::wstring::npos) return std::wstring();
  // Drop the separator, unless that leaves a root ("/", "C:\") or a drive ("C:").
  size_t end = i + 1;
  if (IsDelimiter(path[i]) && i > 0 && !IsDirEnd(path[i - 1])) end = i;
  return path.substr(0, end);
}

std::wstring ExtractFileName(const std::wstring& path) {
  const size_t i = LastDirEnd(path);
  return i == std::wstring::npos ? path : path.substr(i + 1);
}

// The bool form of CreateFolders, for callers that only need to know whether it worked.
bool ForceDirectories(const std::wstring& path) {
  try {
    CreateFolders(path);
    return true;
  } catch (const EVTPlatformError&) {
    return false;
  }
}

}  // namespace vtplatform
