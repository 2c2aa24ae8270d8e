// Symbolic and hard links for tests that build hostile folder layouts.
//
// On Windows a link is made with CreateSymbolicLinkW. wine 8 accepts that call but makes
// nothing; there the link is made on the Unix side (wine runs Unix programs it is asked to
// start), which wine shows to Windows programs as follows: a link to a folder is a reparse
// point, a link to a file looks like the file itself, and deleting either deletes its target.
// So under wine only layouts whose link is a folder can be checked; RunsUnderWine tells.
#pragma once

#include <string>

#include "platform/VTPlatform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace vttest {

enum class TLinkKind { File, Folder, Hard };

#ifdef _WIN32
inline bool RunsUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

namespace detail {
// The Unix name wine gives a Windows path, or "" off wine.
inline std::string WineUnixName(const std::wstring& path) {
  using TFn = char*(__cdecl*)(const wchar_t*);
  const HMODULE k32 = ::GetModuleHandleW(L"kernel32.dll");
  const auto fn = k32 ? reinterpret_cast<TFn>(
                            reinterpret_cast<void*>(::GetProcAddress(k32, "wine_get_unix_file_name")))
                      : nullptr;
  if (!fn) return std::string();
  char* s = fn(path.c_str());
  if (!s) return std::string();
  std::string out(s);
  ::HeapFree(::GetProcessHeap(), 0, s);
  return out;
}

// Starts a Unix program through wine with the Unix names of paths as its last arguments.
// wine cannot wait for a Unix process: callers poll for its effect (WaitFor).
inline bool WineRunUnix(const wchar_t* program, const std::wstring& options,
                        std::initializer_list<std::wstring> paths) {
  // wine splits the command line as Windows does: double quotes.
  std::wstring cmd = L"x " + options;
  for (const std::wstring& p : paths) {
    const std::string u = WineUnixName(p);
    if (u.empty()) return false;
    cmd += L" \"" + vtplatform::FromUtf8(u) + L"\"";
  }
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(program, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  ::WaitForSingleObject(pi.hProcess, 30000);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}

inline bool Exists(const std::wstring& p) { return ::GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Polls (up to 5 s) until path exists (or, with present false, is gone).
inline bool WaitFor(const std::wstring& path, bool present) {
  for (int i = 0; i < 250 && Exists(path) != present; ++i) ::Sleep(20);
  return Exists(path) == present;
}
}  // namespace detail

// Makes link, pointing at target; "" on success, else why not.
inline std::string MakeLink(const std::wstring& target, const std::wstring& link, TLinkKind kind) {
  if (kind == TLinkKind::Hard) {
    if (::CreateHardLinkW(link.c_str(), target.c_str(), nullptr)) return std::string();
    return "CreateHardLinkW failed, error " + std::to_string(::GetLastError());
  }
  // 2: SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE (developer mode; ignored elsewhere).
  const DWORD flags = (kind == TLinkKind::Folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | 2;
  if (::CreateSymbolicLinkW(link.c_str(), target.c_str(), flags) && vtplatform::IsLink(link))
    return std::string();
  if (RunsUnderWine() && detail::WineRunUnix(L"Z:\\bin\\ln", L"-s", {target, link}) &&
      detail::WaitFor(link, true))
    return std::string();
  return "cannot make a symbolic link here, error " + std::to_string(::GetLastError());
}
#else
inline bool RunsUnderWine() { return false; }

inline std::string MakeLink(const std::wstring& target, const std::wstring& link, TLinkKind kind) {
  const std::string t = vtplatform::NativePath(target), l = vtplatform::NativePath(link);
  const int rc = kind == TLinkKind::Hard ? ::link(t.c_str(), l.c_str()) : ::symlink(t.c_str(), l.c_str());
  return rc == 0 ? std::string() : std::string("cannot make a link: ") + ::strerror(errno);
}
#endif

// Removes a link made by MakeLink, not its target, before the test's folder is cleaned up
// (under wine every Windows call, removal included, acts on a Unix link's target).
inline void RemoveLink(const std::wstring& link) {
#ifdef _WIN32
  if (RunsUnderWine()) {
    if (detail::WineRunUnix(L"Z:\\bin\\rm", L"-f", {link})) detail::WaitFor(link, false);
  } else if (!::DeleteFileW(link.c_str())) {
    ::RemoveDirectoryW(link.c_str());
  }
#else
  ::unlink(vtplatform::NativePath(link).c_str());
#endif
}

// True when path names a regular file itself (not a link to one).
inline bool IsPlainFile(const std::wstring& path) {
  return vtplatform::FileExists(path) && !vtplatform::IsLink(path);
}

}  // namespace vttest
