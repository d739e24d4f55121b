#pragma once

// The per-user setting the component keeps its port in, read and written
// directly in the registry so that the checks see what really got stored:
// HKCU\Software\VB and VBA Program Settings\<host>\Plugins\<file>, value COM.
#include <optional>
#include <string>

inline constexpr wchar_t kPluginFile[] = L"Tarvolk_DMX.out.dll";

// nullptr removes the value.
void WriteStoredPort(const std::wstring& host, const wchar_t* text,
                     const std::wstring& file = kPluginFile);
std::optional<std::wstring> ReadStoredPort(const std::wstring& host,
                                           const std::wstring& file = kPluginFile);
// Makes the host's key volatile, so that the registry refuses it lasting subkeys.
void MakeVolatileHostKey(const std::wstring& host);
