// The DLL's entry points: the four COM server exports and DllInstall.
#include <windows.h>

#include "shellext/UnfurlImpl.h"
#include "shellext/UnfurlLogic.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE hinst, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(hinst);
  return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, unfurl::CLSID_UnfurlContextMenu)) return CLASS_E_CLASSNOTAVAILABLE;
  return unfurl::ObjectFactory().QueryInterface(riid, ppv);
}

HRESULT WINAPI DllCanUnloadNow() {
  return (unfurl::ServerObjectCount() > 0 || unfurl::ServerLockCount() > 0) ? S_FALSE : S_OK;
}

HRESULT WINAPI DllRegisterServer() { return unfurl::RegisterServer(false); }

HRESULT WINAPI DllUnregisterServer() { return unfurl::UnregisterServer(false); }

// Per user when the command line is "user" (any case); a failed registration is taken back.
HRESULT WINAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
  const bool perUser = unfurl::IsPerUserCommandLine(pszCmdLine);
  if (!bInstall) return unfurl::UnregisterServer(perUser);
  const HRESULT hr = unfurl::RegisterServer(perUser);
  if (hr == E_FAIL) unfurl::UnregisterServer(perUser);
  return hr;
}

}  // extern "C"
