#include "win32/registry.h"

#include "sys/file_errors.h"
#include "util/run_time_error.h"

namespace quillet {

void WriteRegistryString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  HKEY opened = nullptr;
  LSTATUS status =
      RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &opened, nullptr);
  if (status == ERROR_SUCCESS) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(opened, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    RegCloseKey(opened);
  }
  if (status != ERROR_SUCCESS) {
    throw RunTimeError(error::kPathFileAccessError,
                       "The registry could not be written: " + DescribeOsError(static_cast<unsigned long>(status)));
  }
}

void RemoveRegistryKey(HKEY root, const std::wstring& key) {
  const LSTATUS status = RegDeleteTreeW(root, key.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    throw RunTimeError(error::kPathFileAccessError,
                       "The registry could not be written: " + DescribeOsError(static_cast<unsigned long>(status)));
  }
}

}  // namespace quillet
