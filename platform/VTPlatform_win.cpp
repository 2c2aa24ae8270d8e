// Platform services on Windows, through the wide-character Win32 API.
#include "platform/VTPlatform.h"
#include "platform/VTPlatformWin.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace vtplatform {

namespace {

DWORD Attributes(const std::wstring& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(path.c_str());
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring StripTrailingSeparators(std::wstring s) {
  // Keep the separator of a root ("\", "C:\").
  while (s.size() > 1 && IsSeparator(s.back()) && s[s.size() - 2] != L':') s.pop_back();
  return s;
}

// The system's text for a Win32 error code, without its trailing period and line end.
std::string ErrorText(DWORD code) {
  wchar_t* msg = nullptr;
  const DWORD len = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&msg), 0,
      nullptr);
  std::wstring text;
  if (len && msg) text.assign(msg, len);
  if (msg) ::LocalFree(msg);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.'))
    text.pop_back();
  if (text.empty()) return "error " + std::to_string(code);
  return ToUtf8(text);
}

}  // namespace

std::string LastErrorText(unsigned long code) { return ErrorText(static_cast<DWORD>(code)); }

unsigned AnsiCodePage() { return ::GetACP(); }

std::string ToAnsi(const std::wstring& s) {
  if (s.empty()) return std::string();
  // No best-fit mapping: a character the code page lacks becomes '?', as off Windows.
  // (A UTF-8 system code page accepts neither flags nor a default character.)
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* defChar = utf8 ? nullptr : "?";
  const int n = ::WideCharToMultiByte(CP_ACP, flags, s.data(), static_cast<int>(s.size()), nullptr,
                                      0, defChar, nullptr);
  if (n <= 0) return std::string(s.size(), '?');
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, s.data(), static_cast<int>(s.size()), &out[0], n, defChar,
                        nullptr);
  return out;
}

std::wstring FromAnsi(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return std::wstring(s.size(), L'?');
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

std::string NativePath(const std::wstring& path) { return ToAnsi(path); }

bool FileExists(const std::wstring& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLink(const std::wstring& path) {
  // The attributes of the name itself: GetFileAttributesW does not follow a reparse point.
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

void CreateFolders(const std::wstring& path) {
  if (path.empty()) throw EVTPlatformError("Cannot create a folder with an empty name");
  const std::wstring dir = StripTrailingSeparators(path);
  if (DirectoryExists(dir)) return;
  DWORD err = ::CreateDirectoryW(dir.c_str(), nullptr) ? ERROR_SUCCESS : ::GetLastError();
  if (err == ERROR_PATH_NOT_FOUND) {
    // A parent is missing: make it (or learn why it cannot be made), then this one.
    const std::wstring parent = ExtractFileDir(dir);
    if (!parent.empty() && parent != dir) {
      CreateFolders(parent);
      err = ::CreateDirectoryW(dir.c_str(), nullptr) ? ERROR_SUCCESS : ::GetLastError();
    }
  }
  if (err == ERROR_SUCCESS) return;
  // Another process may have made it meanwhile; otherwise a file is in the way, and the
  // system's text for ERROR_ALREADY_EXISTS says so.
  if (err == ERROR_ALREADY_EXISTS && DirectoryExists(dir)) return;
  throw EVTPlatformError("Cannot create folder " + ToUtf8(dir) + ": " + ErrorText(err));
}

bool RemoveFile(const std::wstring& path) {
  return !path.empty() && ::DeleteFileW(path.c_str()) != 0;
}

std::wstring LocalAppDataFolder() {
  wchar_t buf[MAX_PATH];
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf)))
    return buf;
  return StripTrailingSeparators(TempFolder());
}

std::wstring TempFolder() {
  std::vector<wchar_t> buf(MAX_PATH + 2);
  DWORD n = ::GetTempPathW(static_cast<DWORD>(buf.size()), buf.data());
  if (n > buf.size()) {
    buf.resize(n + 1);
    n = ::GetTempPathW(static_cast<DWORD>(buf.size()), buf.data());
  }
  std::wstring dir = n && n < buf.size() ? std::wstring(buf.data(), n) : std::wstring(L".\\");
  if (!IsSeparator(dir.back())) dir += L'\\';
  return dir;
}

std::wstring TempFileName(const std::wstring& prefix) {
  const std::wstring dir = TempFolder();
  wchar_t buf[MAX_PATH];
  if (!::GetTempFileNameW(dir.c_str(), prefix.c_str(), 0, buf)) {
    const DWORD err = ::GetLastError();
    throw EVTPlatformError("Cannot create a temporary file in " + ToUtf8(dir) + ": " +
                           ErrorText(err));
  }
  return buf;
}

wchar_t DateSeparator() {
  wchar_t buf[8] = {};
  if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDATE, buf, 8) > 0 && buf[0]) return buf[0];
  return L'/';
}

}  // namespace vtplatform
