// The Unfurl shell extension: the context-menu handler TUnfurlContextMenu and its class
// factory TUnfurlObjectFactory, with the registration of both.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <exception>
#include <string>

namespace unfurl {

// Identifiers of the class, of its dual interface and of the type library.
extern const CLSID CLSID_UnfurlContextMenu;
extern const IID IID_IUnfurlContextMenu;
extern const GUID LIBID_Unfurl;

// The handler's dual interface: IDispatch with no members of its own.
struct IUnfurlContextMenu : public IDispatch {};

// The counts that decide DllCanUnloadNow: live handler objects and factory locks.
LONG ServerObjectCount();
LONG ServerLockCount();

// The DLL's own full path (long form).
std::wstring ModulePath();

// The context-menu handler: one object per context menu the shell opens.
class TUnfurlContextMenu final : public IUnfurlContextMenu,
                                 public IShellExtInit,
                                 public IContextMenu {
 public:
  TUnfurlContextMenu();
  TUnfurlContextMenu(const TUnfurlContextMenu&) = delete;
  TUnfurlContextMenu& operator=(const TUnfurlContextMenu&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch, answered from the type library.
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
  STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                             DISPID* rgDispId) override;
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                      UINT* puArgErr) override;

  // IShellExtInit
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* lpdobj,
                          HKEY hkeyProgID) override;

  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                UINT uFlags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* lpici) override;
  STDMETHODIMP GetCommandString(UINT_PTR idCmd, UINT uType, UINT* pReserved, CHAR* pszName,
                                UINT cchMax) override;

 private:
  ~TUnfurlContextMenu();
  HRESULT LoadTypeInfo();
  HRESULT AcceptSelection(IDataObject* lpdobj);
  void Extract(HWND owner, unsigned offset);

  LONG FRefCount = 1;
  ITypeInfo* FTypeInfo = nullptr;
  std::wstring FFileName;
  std::wstring FDSName;
  UINT FMenuItemIndex = 0;
};

// The class factory: one static instance for the life of the DLL. Its references are not
// counted; locks are.
class TUnfurlObjectFactory final : public IClassFactory {
 public:
  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // IClassFactory
  STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL fLock) override;

  // No programmatic identifier is registered.
  std::wstring GetProgID() const { return std::wstring(); }
  // Writes (Register true) or removes the class's registry entries: the class key, the
  // approval and the handler key. A value that cannot be written raises
  // ERegistrationError; removal ignores what is already gone.
  void UpdateRegistry(bool Register, bool perUser);
  // Registers or removes the type library carried by the DLL.
  void UpdateTypeLibRegistration(bool Register, bool perUser);
};

TUnfurlObjectFactory& ObjectFactory();

// A registry entry or the type library could not be registered.
class ERegistrationError : public std::exception {
 public:
  explicit ERegistrationError(const char* what) : FWhat(what) {}
  const char* what() const noexcept override { return FWhat; }

 private:
  const char* FWhat;
};

// Registration as DllRegisterServer and DllInstall run it: S_OK or E_FAIL.
HRESULT RegisterServer(bool perUser);
HRESULT UnregisterServer(bool perUser);

}  // namespace unfurl
