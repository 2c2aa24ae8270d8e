#include "shellext/UnfurlLogic.h"

namespace unfurl {

namespace {

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; }

template <typename TChar, typename TConv>
size_t CopyInto(const std::wstring& text, TChar* buf, size_t cch, TConv conv) {
  if (!buf || cch == 0) return 0;
  const size_t n = text.size() < cch - 1 ? text.size() : cch - 1;
  for (size_t i = 0; i < n; ++i) buf[i] = conv(text[i]);
  buf[n] = 0;
  return n;
}

}  // namespace

std::wstring FileExtension(const std::wstring& path) {
  const size_t sep = path.find_last_of(L"\\/:");
  const size_t start = sep == std::wstring::npos ? 0 : sep + 1;
  const size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || dot < start) return std::wstring();
  return path.substr(dot);
}

bool IsAcceptedFileName(const std::wstring& path) {
  std::wstring ext = FileExtension(path);
  if (ext.empty()) return false;
  for (wchar_t& c : ext) c = UpperAscii(c);
  // The extension with a blank on either side must be one of the words of the list.
  return std::wstring(L" .XMI .XMIT ").find(L" " + ext + L" ") != std::wstring::npos;
}

std::wstring ExtractToMenuText(const std::wstring& dsName) { return kExtractToText + dsName; }

size_t CopyTruncated(const std::wstring& text, wchar_t* buf, size_t cch) {
  return CopyInto(text, buf, cch, [](wchar_t c) { return c; });
}

size_t CopyTruncated(const std::wstring& text, char* buf, size_t cch) {
  return CopyInto(text, buf, cch, [](wchar_t c) { return c < 0x80 ? char(c) : '?'; });
}

bool IsPerUserCommandLine(const wchar_t* cmdLine) {
  if (!cmdLine) return false;
  const wchar_t* want = L"USER";
  size_t i = 0;
  for (; cmdLine[i] && want[i]; ++i)
    if (UpperAscii(cmdLine[i]) != want[i]) return false;
  return cmdLine[i] == 0 && want[i] == 0;
}

TRegRoot ClassRoot(bool perUser) {
  return perUser ? TRegRoot::rrCurrentUser : TRegRoot::rrClassesRoot;
}

std::wstring ClassKey(bool perUser) {
  return std::wstring(perUser ? L"Software\\Classes\\" : L"") + L"CLSID\\" + kCLSIDText;
}

std::wstring HandlerKey() {
  return std::wstring(L"*\\shellex\\ContextMenuHandlers\\") + kClassName;
}

std::wstring ApprovedKey() {
  return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
}

std::vector<TRegEntry> RegistrationEntries(bool perUser, const std::wstring& serverPath) {
  const TRegRoot root = ClassRoot(perUser);
  const std::wstring cls = ClassKey(perUser);
  const std::wstring version =
      std::to_wstring(kTypeLibMajor) + L"." + std::to_wstring(kTypeLibMinor);
  return {
      {root, cls, L"", kClassDescription},
      {root, cls + L"\\InprocServer32", L"", serverPath},
      {root, cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {root, cls + L"\\Version", L"", version},
      {root, cls + L"\\TypeLib", L"", kLIBIDText},
      {TRegRoot::rrLocalMachine, ApprovedKey(), kCLSIDText, kClassDescription, true},
      {TRegRoot::rrClassesRoot, HandlerKey(), L"", kCLSIDText},
  };
}

std::vector<TRegRemoval> UnregistrationSteps(bool perUser) {
  const TRegRoot root = ClassRoot(perUser);
  const std::wstring cls = ClassKey(perUser);
  return {
      {root, cls + L"\\TypeLib", L""},
      {root, cls + L"\\Version", L""},
      {root, cls + L"\\InprocServer32", L""},
      {root, cls, L""},
      {TRegRoot::rrLocalMachine, ApprovedKey(), kCLSIDText, true},
      {TRegRoot::rrClassesRoot, HandlerKey(), L""},
  };
}

}  // namespace unfurl
