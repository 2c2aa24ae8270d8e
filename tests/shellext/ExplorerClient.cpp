#include "ExplorerClient.h"

#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace explorer {

namespace {

std::vector<TMessageBox>* gBoxes = nullptr;

std::wstring WindowText(HWND w) {
  const int n = GetWindowTextLengthW(w);
  std::wstring s(size_t(n) + 1, L'\0');
  const int got = GetWindowTextW(w, &s[0], n + 1);
  s.resize(size_t(got > 0 ? got : 0));
  return s;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[64] = {};
  GetClassNameW(w, buf, 64);
  return buf;
}

TMessageBox ReadBox(HWND dlg) {
  TMessageBox box;
  box.Caption = WindowText(dlg);
  const HICON info = LoadIconW(nullptr, IDI_INFORMATION);
  const HICON error = LoadIconW(nullptr, IDI_ERROR);
  for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassOf(c).c_str(), L"Static") != 0) continue;
    if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      const HICON icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
      if (!icon) continue;
      box.Icon = icon == info ? TBoxIcon::biInformation
                              : icon == error ? TBoxIcon::biError : TBoxIcon::biOther;
    } else {
      const std::wstring t = WindowText(c);
      if (!t.empty()) box.Text = t;
    }
  }
  return box;
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND w = reinterpret_cast<HWND>(wParam);
    if (ClassOf(w) == L"#32770") {
      if (gBoxes) gBoxes->push_back(ReadBox(w));
      PostMessageW(w, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::wstring Utf8ToWide(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring w(size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), &w[0], n);
  return w;
}

}  // namespace

TBoxRecorder::TBoxRecorder() {
  gBoxes = new std::vector<TMessageBox>();
  FHook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

TBoxRecorder::~TBoxRecorder() {
  if (FHook) UnhookWindowsHookEx(FHook);
  delete gBoxes;
  gBoxes = nullptr;
}

std::vector<TMessageBox> TBoxRecorder::Take() {
  std::vector<TMessageBox> out;
  out.swap(*gBoxes);
  return out;
}

bool BoxesAreShown(TBoxRecorder& rec) {
  rec.Take();
  MessageBoxW(nullptr, L"probe", L"probe", MB_OK);
  return !rec.Take().empty();
}

std::wstring WindowsPath(const std::string& path) {
  using TToDos = LPWSTR(CDECL*)(LPCSTR);
  HMODULE k32 = GetModuleHandleW(L"kernel32.dll");
  auto toDos = reinterpret_cast<TToDos>(
      reinterpret_cast<void (*)()>(GetProcAddress(k32, "wine_get_dos_file_name")));
  if (toDos && !path.empty() && path[0] == '/') {
    LPWSTR dos = toDos(path.c_str());
    if (dos) {
      std::wstring r = dos;
      HeapFree(GetProcessHeap(), 0, dos);
      return r;
    }
  }
  return Utf8ToWide(path);
}

std::vector<std::pair<std::wstring, std::wstring>> RegisteredFileHandlers() {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return out;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD len = 256;
    if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    // The default value names the class; a key named with a class identifier stands for it.
    std::optional<std::wstring> clsid =
        RegString(HKEY_CLASSES_ROOT, std::wstring(L"*\\shellex\\ContextMenuHandlers\\") + name);
    out.emplace_back(name, clsid && !clsid->empty() ? *clsid : std::wstring(name));
  }
  RegCloseKey(key);
  return out;
}

HRESULT ShellDataObject(const std::vector<std::wstring>& files, TComPtr<IDataObject>& out) {
  std::vector<PIDLIST_ABSOLUTE> absolute;
  std::vector<PCUITEMID_CHILD> children;
  TComPtr<IShellFolder> folder;
  HRESULT hr = S_OK;
  for (const std::wstring& f : files) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    hr = SHParseDisplayName(f.c_str(), nullptr, &pidl, 0, nullptr);
    if (FAILED(hr)) break;
    absolute.push_back(pidl);
    PCUITEMID_CHILD child = nullptr;
    if (!folder)
      hr = SHBindToParent(pidl, IID_IShellFolder, folder.PutVoid(), &child);
    else
      child = ILFindLastID(pidl);
    if (FAILED(hr)) break;
    children.push_back(child);
  }
  if (SUCCEEDED(hr) && folder)
    hr = folder->GetUIObjectOf(nullptr, UINT(children.size()), children.data(), IID_IDataObject,
                               nullptr, out.PutVoid());
  for (PIDLIST_ABSOLUTE p : absolute) CoTaskMemFree(p);
  return hr;
}

std::vector<TMenuItem> ReadMenu(HMENU menu) {
  std::vector<TMenuItem> items;
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    wchar_t text[512] = {};
    MENUITEMINFOW mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
    mii.dwTypeData = text;
    mii.cch = 512;
    if (!GetMenuItemInfoW(menu, UINT(i), TRUE, &mii)) continue;
    items.push_back({text, mii.wID, mii.hSubMenu});
  }
  return items;
}

HRESULT OpenContextMenu(const std::wstring& clsidText, const std::vector<std::wstring>& files,
                        TContextMenuSession& s) {
  CLSID clsid;
  HRESULT hr = CLSIDFromString(clsidText.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                        s.Init.PutVoid());
  if (FAILED(hr)) return hr;
  TComPtr<IDataObject> data;
  hr = ShellDataObject(files, data);
  if (FAILED(hr)) return hr;
  s.InitResult = s.Init->Initialize(nullptr, data.Get(), nullptr);
  return s.Init->QueryInterface(IID_IContextMenu, s.Menu.PutVoid());
}

HRESULT InvokeCommandOffset(IContextMenu* menu, unsigned offset) {
  CMINVOKECOMMANDINFO ici = {};
  ici.cbSize = sizeof(ici);
  ici.lpVerb = MAKEINTRESOURCEA(offset);
  ici.nShow = SW_SHOWNORMAL;
  return menu->InvokeCommand(&ici);
}

HRESULT InvokeVerb(IContextMenu* menu, const char* verb) {
  CMINVOKECOMMANDINFO ici = {};
  ici.cbSize = sizeof(ici);
  ici.lpVerb = verb;
  ici.nShow = SW_SHOWNORMAL;
  return menu->InvokeCommand(&ici);
}

std::optional<std::wstring> RegString(HKEY root, const std::wstring& key,
                                      const std::wstring& name) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, bytes = 0;
  const wchar_t* vn = name.empty() ? nullptr : name.c_str();
  std::optional<std::wstring> result;
  if (RegQueryValueExW(k, vn, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      type == REG_SZ) {
    std::wstring s(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(k, vn, nullptr, &type, reinterpret_cast<BYTE*>(&s[0]), &bytes) ==
        ERROR_SUCCESS) {
      s.resize(wcsnlen(s.c_str(), s.size()));
      result = s;
    }
  }
  RegCloseKey(k);
  return result;
}

bool RegKeyExists(HKEY root, const std::wstring& key) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

int RunAndWait(const std::wstring& commandLine) {
  std::wstring cmd = commandLine;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = DWORD(-1);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return int(code);
}

std::wstring TempRoot() {
  wchar_t tmp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, tmp);
  std::wstring root = std::wstring(tmp) + L"unfurl-test-" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(root);
  MakeFolder(root);
  return root;
}

bool MakeFolder(const std::wstring& path) {
  return SHCreateDirectoryExW(nullptr, path.c_str(), nullptr) == ERROR_SUCCESS ||
         GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      const std::wstring p = path + L"\\" + n;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(p);
      else
        DeleteFileW(p.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(path.c_str());
}

bool CopyOneFile(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a fixture file");
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(h);
  if (!ok || written != bytes.size()) throw std::runtime_error("cannot write a fixture file");
}

std::vector<std::pair<std::wstring, uint64_t>> ListTree(const std::wstring& folder) {
  std::vector<std::pair<std::wstring, uint64_t>> out;
  std::function<void(const std::wstring&)> walk = [&](const std::wstring& rel) {
    WIN32_FIND_DATAW fd;
    const std::wstring base = rel.empty() ? folder : folder + L"\\" + rel;
    HANDLE h = FindFirstFileW((base + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
      const std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      const std::wstring r = rel.empty() ? n : rel + L"\\" + n;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        walk(r);
      else
        out.emplace_back(r, (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  };
  walk(L"");
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace explorer
