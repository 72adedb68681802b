#pragma once

#include <windows.h>

#include <string>

namespace quillet {

// Sets a string value (REG_SZ) under `root`\`key`, creating the key and any missing key above it;
// an empty `name` sets the key's default value. Raises RunTimeError with the system's reason.
void WriteRegistryString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);

// Removes `root`\`key` with everything below it; a key that is not there is no failure. Raises
// RunTimeError with the system's reason.
void RemoveRegistryKey(HKEY root, const std::wstring& key);

}  // namespace quillet
