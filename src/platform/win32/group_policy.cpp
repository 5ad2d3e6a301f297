// The machine's local group-policy object through its COM interface.

#include <windows.h>
#include <prsht.h>  // gpedit.h uses its property-sheet type without including it
#include <gpedit.h>
#include <wrl/client.h>

#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

namespace {

// The identifiers Windows publishes for the object and its registry extension.
constexpr GUID kClsidGroupPolicyObject = {0xEA502722, 0xA23D, 0x11D1, {0xA7, 0xD3, 0x00, 0x00, 0xF8, 0x75, 0x71, 0xE3}};
constexpr GUID kIidGroupPolicyObject = {0xEA502723, 0xA23D, 0x11D1, {0xA7, 0xD3, 0x00, 0x00, 0xF8, 0x75, 0x71, 0xE3}};
constexpr GUID kRegistryExtensionGuid = {0x35378EAC, 0x683F, 0x11D2, {0xA8, 0x9A, 0x00, 0xC0, 0x4F, 0xBB, 0xCF, 0xA2}};
constexpr GUID kClsidGpeSnapIn = {0x8FC0B734, 0xA0E1, 0x11D1, {0xA7, 0xD3, 0x00, 0x00, 0xF8, 0x75, 0x71, 0xE3}};

// The object's second interface, which opens the object Windows keeps for one local
// user or group. Microsoft's page of OpenLocalMachineGPOForPrincipal gives its IID and
// no header: the interface as that page gives it, its one method after those of
// IGroupPolicyObject.
constexpr GUID kIidGroupPolicyObject2 = {0x7E37D5E7, 0x263D, 0x45CF, {0x84, 0x2B, 0x96, 0xA9, 0x5C, 0x63, 0xE4, 0x6C}};
struct IGroupPolicyObject2 : public ::IGroupPolicyObject {
  STDMETHOD(OpenLocalMachineGPOForPrincipal)(LPOLESTR pszLocalUserOrGroupSID, DWORD dwFlags) PURE;
};

class Win32GroupPolicyObject final : public IGroupPolicyObject {
 public:
  explicit Win32GroupPolicyObject(Microsoft::WRL::ComPtr<::IGroupPolicyObject> object) : object_(std::move(object)) {}

  bool OpenLocalMachineGPO() noexcept override { return object_->OpenLocalMachineGPO(GPO_OPEN_LOAD_REGISTRY) == S_OK; }

  bool OpenLocalMachineGPOForPrincipal(TextView sid) noexcept override {
    Microsoft::WRL::ComPtr<IGroupPolicyObject2> second;
    if (FAILED(object_->QueryInterface(kIidGroupPolicyObject2, reinterpret_cast<void**>(second.GetAddressOf()))) ||
        !second) {
      return false;
    }
    try {
      std::wstring principal = ToWide(sid);
      return second->OpenLocalMachineGPOForPrincipal(principal.data(), GPO_OPEN_LOAD_REGISTRY) == S_OK;
    } catch (...) {
      return false;
    }
  }

  std::unique_ptr<IRegistryKey> GetUserRegistryKey() noexcept override { return Section(GPO_SECTION_USER); }
  std::unique_ptr<IRegistryKey> GetMachineRegistryKey() noexcept override { return Section(GPO_SECTION_MACHINE); }

  void Save(bool machine) noexcept override {
    GUID extension = kRegistryExtensionGuid;
    GUID snapIn = kClsidGpeSnapIn;
    object_->Save(machine ? TRUE : FALSE, TRUE, &extension, &snapIn);
  }

 private:
  std::unique_ptr<IRegistryKey> Section(DWORD section) noexcept {
    HKEY key = nullptr;
    if (object_->GetRegistryKey(section, &key) != S_OK) {
      if (key) ::RegCloseKey(key);
      return nullptr;
    }
    return WrapRegistryKey(key);
  }

  Microsoft::WRL::ComPtr<::IGroupPolicyObject> object_;
};

}  // namespace

std::unique_ptr<IGroupPolicyObject> Win32GroupPolicy::CreateObject(std::uint32_t& errorCode) noexcept {
  EnsureCom();
  Microsoft::WRL::ComPtr<::IGroupPolicyObject> object;
  const HRESULT result = ::CoCreateInstance(kClsidGroupPolicyObject, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                            kIidGroupPolicyObject, reinterpret_cast<void**>(object.GetAddressOf()));
  if (FAILED(result) || !object) {
    errorCode = static_cast<std::uint32_t>(result);
    return nullptr;
  }
  try {
    return std::make_unique<Win32GroupPolicyObject>(std::move(object));
  } catch (...) {
    errorCode = static_cast<std::uint32_t>(E_OUTOFMEMORY);
    return nullptr;
  }
}

}  // namespace lanthe::win32
