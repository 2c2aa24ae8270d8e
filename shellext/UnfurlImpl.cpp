#include "shellext/UnfurlImpl.h"

#include <shellapi.h>

#include <exception>
#include <new>
#include <vector>

#include "platform/VTPlatform.h"
#include "shellext/UnfurlLogic.h"
#include "xmit/VTXMIExtract.h"
#include "xmit/VTXMIParser.h"

namespace unfurl {

const CLSID CLSID_UnfurlContextMenu = {
    0xCE81C6AB, 0xD4D8, 0x4994, {0x87, 0x85, 0x11, 0x95, 0xBC, 0xCE, 0x63, 0x4F}};
const IID IID_IUnfurlContextMenu = {
    0xEB207E93, 0xEC34, 0x4B23, {0x9C, 0x53, 0x56, 0x87, 0xD4, 0x3B, 0x5D, 0x40}};
const GUID LIBID_Unfurl = {
    0x66BD0502, 0x2648, 0x4B17, {0xB1, 0xB7, 0x60, 0xD7, 0xE3, 0xE0, 0x62, 0x4C}};

namespace {

// The COM server's counters: the only state shared between objects.
LONG gObjectCount = 0;
LONG gLockCount = 0;

std::wstring MessageText(const std::exception& e) {
  try {
    return vtplatform::FromUtf8(e.what());
  } catch (...) {
    return L"Unexpected error";
  }
}

// The type library the DLL carries (resource TYPELIB 1), not registered by loading.
HRESULT LoadOwnTypeLib(ITypeLib** lib) {
  *lib = nullptr;
  std::wstring path;
  try {
    path = ModulePath();
  } catch (...) {
    return E_FAIL;
  }
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

HKEY RootKey(TRegRoot r) {
  switch (r) {
    case TRegRoot::rrCurrentUser: return HKEY_CURRENT_USER;
    case TRegRoot::rrLocalMachine: return HKEY_LOCAL_MACHINE;
    case TRegRoot::rrClassesRoot: break;
  }
  return HKEY_CLASSES_ROOT;
}

// Writes one string value; false when the key cannot be created or the value not written.
bool WriteRegString(const TRegEntry& e) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(RootKey(e.Root), e.Key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD bytes = static_cast<DWORD>((e.Data.size() + 1) * sizeof(wchar_t));
  const LONG rc = RegSetValueExW(key, e.ValueName.empty() ? nullptr : e.ValueName.c_str(), 0,
                                 REG_SZ, reinterpret_cast<const BYTE*>(e.Data.c_str()), bytes);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

void RemoveRegEntry(const TRegRemoval& r) {
  if (!r.IsValue) {
    RegDeleteKeyW(RootKey(r.Root), r.Key.c_str());
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootKey(r.Root), r.Key.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  RegDeleteValueW(key, r.ValueName.c_str());
  RegCloseKey(key);
}

// The path for InprocServer32: the long path, or its short form when it holds a blank.
std::wstring ServerPath() {
  std::wstring path = ModulePath();
  if (path.find(L' ') == std::wstring::npos) return path;
  std::vector<wchar_t> buf(path.size() + 1);
  for (;;) {
    const DWORD n = GetShortPathNameW(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return path;  // no short form on this volume
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(n);
  }
}

using TRegisterForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using TUnregisterForUser = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

FARPROC OleAutProc(const char* name) {
  HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
  return oleaut ? GetProcAddress(oleaut, name) : nullptr;
}

}  // namespace

LONG ServerObjectCount() { return gObjectCount; }
LONG ServerLockCount() { return gLockCount; }

std::wstring ModulePath() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&ModulePath), &self))
    throw ERegistrationError("Cannot find the module's own path");
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(self, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) throw ERegistrationError("Cannot find the module's own path");
    if (n < buf.size()) {
      std::wstring path(buf.data(), n);
      // The long form, whatever form the loader was given.
      const DWORD len = GetLongPathNameW(path.c_str(), nullptr, 0);
      if (len == 0) return path;
      std::vector<wchar_t> lng(len);
      const DWORD got = GetLongPathNameW(path.c_str(), lng.data(), len);
      return (got > 0 && got < len) ? std::wstring(lng.data(), got) : path;
    }
    buf.resize(buf.size() * 2);
  }
}

// ---- TUnfurlContextMenu ----

TUnfurlContextMenu::TUnfurlContextMenu() { InterlockedIncrement(&gObjectCount); }

TUnfurlContextMenu::~TUnfurlContextMenu() {
  if (FTypeInfo) FTypeInfo->Release();
  InterlockedDecrement(&gObjectCount);
}

STDMETHODIMP TUnfurlContextMenu::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, IID_IUnfurlContextMenu))
    *ppv = static_cast<IUnfurlContextMenu*>(this);
  else if (IsEqualIID(riid, IID_IShellExtInit))
    *ppv = static_cast<IShellExtInit*>(this);
  else if (IsEqualIID(riid, IID_IContextMenu))
    *ppv = static_cast<IContextMenu*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) TUnfurlContextMenu::AddRef() { return InterlockedIncrement(&FRefCount); }

STDMETHODIMP_(ULONG) TUnfurlContextMenu::Release() {
  const LONG n = InterlockedDecrement(&FRefCount);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT TUnfurlContextMenu::LoadTypeInfo() {
  if (FTypeInfo) return S_OK;
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadOwnTypeLib(&lib);
  if (FAILED(hr)) return hr;
  hr = lib->GetTypeInfoOfGuid(IID_IUnfurlContextMenu, &FTypeInfo);
  lib->Release();
  return hr;
}

STDMETHODIMP TUnfurlContextMenu::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

STDMETHODIMP TUnfurlContextMenu::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  const HRESULT hr = LoadTypeInfo();
  if (FAILED(hr)) return hr;
  FTypeInfo->AddRef();
  *ppTInfo = FTypeInfo;
  return S_OK;
}

STDMETHODIMP TUnfurlContextMenu::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                               LCID, DISPID* rgDispId) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const HRESULT hr = LoadTypeInfo();
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(FTypeInfo, rgszNames, cNames, rgDispId);
}

STDMETHODIMP TUnfurlContextMenu::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                        DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                        EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const HRESULT hr = LoadTypeInfo();
  if (FAILED(hr)) return hr;
  return DispInvoke(static_cast<IUnfurlContextMenu*>(this), FTypeInfo, dispIdMember, wFlags,
                    pDispParams, pVarResult, pExcepInfo, puArgErr);
}

// Steps 2 to 6 of Initialize: the selection from the data object, then the parse.
HRESULT TUnfurlContextMenu::AcceptSelection(IDataObject* lpdobj) {
  FORMATETC fmt = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(lpdobj->GetData(&fmt, &medium))) return E_FAIL;
  HRESULT hr = E_FAIL;
  try {
    // A data object may answer with another medium than the one asked for.
    HDROP drop = medium.tymed == TYMED_HGLOBAL ? static_cast<HDROP>(medium.hGlobal) : nullptr;
    if (drop && DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
      const UINT len = DragQueryFileW(drop, 0, nullptr, 0);
      std::vector<wchar_t> name(size_t(len) + 1, L'\0');
      DragQueryFileW(drop, 0, name.data(), len + 1);
      FFileName.assign(name.data());
    } else {
      FFileName.clear();
    }
    if (!FFileName.empty() && !IsAcceptedFileName(FFileName)) FFileName.clear();
    if (!FFileName.empty()) {
      hr = S_OK;
      try {
        TVTXMIParser parser;
        parser.LoadXMIFile(FFileName);
        FDSName = parser.DSName();
      } catch (...) {
        // Any failure to load (not an XMIT file, unreadable, damaged) refuses the file.
        FDSName.clear();
        hr = E_FAIL;
        MessageBoxW(nullptr, kParseFailedText, kCaption, MB_OK);
      }
    }
  } catch (...) {
    hr = E_FAIL;
  }
  ReleaseStgMedium(&medium);
  return hr;
}

STDMETHODIMP TUnfurlContextMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject* lpdobj, HKEY) {
  if (!lpdobj) return E_FAIL;
  return AcceptSelection(lpdobj);
}

STDMETHODIMP TUnfurlContextMenu::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst,
                                                  UINT, UINT) {
  FMenuItemIndex = indexMenu;
  try {
    HMENU popup = CreatePopupMenu();
    if (!popup) return E_FAIL;
    const std::wstring extractTo = ExtractToMenuText(FDSName);
    InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, idCmdFirst, kExtractHereText);
    InsertMenuW(popup, 1, MF_BYPOSITION | MF_STRING, idCmdFirst + 1, extractTo.c_str());

    std::wstring text = kMenuText;
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_ID;
    item.wID = indexMenu;
    item.hSubMenu = popup;
    item.dwTypeData = &text[0];
    if (!InsertMenuItemW(hmenu, indexMenu, TRUE, &item)) {
      DestroyMenu(popup);
      return E_FAIL;
    }
  } catch (...) {
    return E_FAIL;
  }
  return MAKE_HRESULT(SEVERITY_SUCCESS, 0, kCommandCount);
}

STDMETHODIMP TUnfurlContextMenu::GetCommandString(UINT_PTR, UINT uType, UINT*, CHAR* pszName,
                                                  UINT cchMax) {
  // The ANSI requests get the same (ASCII) text, within cchMax bytes.
  if (uType & GCS_UNICODE)
    CopyTruncated(kHelpText, reinterpret_cast<wchar_t*>(pszName), cchMax);
  else
    CopyTruncated(kHelpText, pszName, cchMax);
  return S_OK;
}

void TUnfurlContextMenu::Extract(HWND owner, unsigned offset) {
  std::wstring message;
  {
    TVTXMIParser parser;  // closes the file when it goes, also on an error
    parser.LoadXMIFile(FFileName);
    message = ExtractAllMembers(parser, vtplatform::ExtractFileDir(FFileName),
                                SubfolderForCommand(offset));
  }
  // The completion message is information; "Unknown Extract Type" a plain box.
  const bool unknownType = message == L"Unknown Extract Type";
  MessageBoxW(owner, message.c_str(), kCaption, unknownType ? MB_OK : MB_OK | MB_ICONINFORMATION);
}

STDMETHODIMP TUnfurlContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* lpici) {
  if (!lpici) return E_INVALIDARG;
  if (!IS_INTRESOURCE(lpici->lpVerb)) return E_FAIL;
  const unsigned offset = LOWORD(reinterpret_cast<UINT_PTR>(lpici->lpVerb));
  try {
    Extract(lpici->hwnd, offset);
  } catch (const std::exception& e) {
    MessageBoxW(lpici->hwnd, MessageText(e).c_str(), kCaption, MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(lpici->hwnd, L"Unexpected error", kCaption, MB_OK | MB_ICONERROR);
  }
  return S_OK;
}

// ---- TUnfurlObjectFactory ----

TUnfurlObjectFactory& ObjectFactory() {
  static TUnfurlObjectFactory factory;
  return factory;
}

STDMETHODIMP TUnfurlObjectFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TUnfurlObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  TUnfurlContextMenu* obj = new (std::nothrow) TUnfurlContextMenu();
  if (!obj) return E_OUTOFMEMORY;
  const HRESULT hr = obj->QueryInterface(riid, ppv);
  obj->Release();
  return hr;
}

STDMETHODIMP TUnfurlObjectFactory::LockServer(BOOL fLock) {
  if (fLock)
    InterlockedIncrement(&gLockCount);
  else
    InterlockedDecrement(&gLockCount);
  return S_OK;
}

void TUnfurlObjectFactory::UpdateRegistry(bool Register, bool perUser) {
  if (Register) {
    for (const TRegEntry& e : RegistrationEntries(perUser, ServerPath()))
      if (!WriteRegString(e) && !e.Optional) throw ERegistrationError(kRegistryErrorText);
  } else {
    for (const TRegRemoval& r : UnregistrationSteps(perUser)) RemoveRegEntry(r);
  }
}

void TUnfurlObjectFactory::UpdateTypeLibRegistration(bool Register, bool perUser) {
  ITypeLib* lib = nullptr;
  if (Register) {
    const std::wstring path = ModulePath();
    if (FAILED(LoadOwnTypeLib(&lib))) throw ERegistrationError("Cannot load the type library");
    std::wstring file = path;
    std::wstring dir = vtplatform::ExtractFileDir(path);
    HRESULT hr;
    auto forUser = reinterpret_cast<TRegisterForUser>(
        reinterpret_cast<void (*)()>(OleAutProc("RegisterTypeLibForUser")));
    if (perUser && forUser)
      hr = forUser(lib, &file[0], &dir[0]);
    else
      hr = RegisterTypeLib(lib, &file[0], &dir[0]);
    lib->Release();
    if (FAILED(hr)) throw ERegistrationError("Cannot register the type library");
    return;
  }
  // Identified by the library's own attributes when it loads; by the known ones otherwise.
  LCID lcid = 0;
  SYSKIND kind = SYS_WIN32;
  if (SUCCEEDED(LoadOwnTypeLib(&lib))) {
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&attr))) {
      lcid = attr->lcid;
      kind = attr->syskind;
      lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
  }
  auto forUser = reinterpret_cast<TUnregisterForUser>(
      reinterpret_cast<void (*)()>(OleAutProc("UnRegisterTypeLibForUser")));
  if (perUser && forUser)
    forUser(LIBID_Unfurl, kTypeLibMajor, kTypeLibMinor, lcid, kind);
  else
    UnRegisterTypeLib(LIBID_Unfurl, kTypeLibMajor, kTypeLibMinor, lcid, kind);
}

HRESULT RegisterServer(bool perUser) {
  try {
    TUnfurlObjectFactory& f = ObjectFactory();
    f.UpdateTypeLibRegistration(true, perUser);
    f.UpdateRegistry(true, perUser);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT UnregisterServer(bool perUser) {
  // What is already gone or cannot be removed does not fail the unregistration, and a step
  // that fails does not keep the next one from running.
  TUnfurlObjectFactory& f = ObjectFactory();
  try {
    f.UpdateTypeLibRegistration(false, perUser);
  } catch (...) {
  }
  try {
    f.UpdateRegistry(false, perUser);
  } catch (...) {
  }
  return S_OK;
}

}  // namespace unfurl
