#include "cli/Output.h"

#include <type_traits>

#include "platform/VTPlatform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

std::wstring VisibleText(const std::wstring& s) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring out;
  out.reserve(s.size());
  for (wchar_t c : s) {
    const uint32_t u = static_cast<std::make_unsigned_t<wchar_t>>(c);
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
      out += L"\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

void TStringOutput::Line(const std::wstring& s) {
  Lines.push_back(s);
  Data += vtplatform::ToUtf8(s);
  Data += '\n';
}

void TStringOutput::Bytes(const uint8_t* data, size_t len) {
  if (len > 0) Data.append(reinterpret_cast<const char*>(data), len);
}

std::string TStdOutput::Encode(const std::wstring& s, bool utf8) {
#ifdef _WIN32
  if (s.empty()) return std::string();
  if (utf8) return vtplatform::ToUtf8(s);
  // No console (output code page 0): the ANSI code page, as CP_ACP (0) means anyway.
  const UINT cp = GetConsoleOutputCP();
  const int n = WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return vtplatform::ToAnsi(s);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
#else
  (void)utf8;
  return vtplatform::ToUtf8(s);
#endif
}

void TStdOutput::Line(const std::wstring& s) {
  std::string bytes = Encode(s, FUtf8);
  bytes += '\n';
  std::fwrite(bytes.data(), 1, bytes.size(), FFile);
}

void TStdOutput::Bytes(const uint8_t* data, size_t len) {
#ifdef _WIN32
  if (!FBinary) {
    std::fflush(FFile);
    _setmode(_fileno(FFile), _O_BINARY);
    FBinary = true;
  }
#endif
  if (len > 0) std::fwrite(data, 1, len, FFile);
}

void TStdOutput::Flush() { std::fflush(FFile); }
