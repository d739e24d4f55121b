#include "guide.h"

#include <vector>

#include "shell_open.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kGuide[] = L"Tarvolk_DMX-Anleitung.html";

// The program's folder with its trailing backslash.
std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::vector<std::wstring> Places() {
  const std::wstring folder = ProgramFolder();
  std::vector<std::wstring> places{folder + kGuide};
  const std::size_t parent = folder.find_last_of(L'\\', folder.size() - 2);
  if (parent != std::wstring::npos &&
      CompareStringOrdinal(folder.c_str() + parent + 1, -1, L"x64\\", -1, TRUE) == CSTR_EQUAL) {
    places.push_back(folder.substr(0, parent + 1) + kGuide);
  }
  return places;
}

}  // namespace

std::wstring OpenGuide(HWND owner) {
  const std::vector<std::wstring> places = Places();
  std::wstring lookedAt;
  for (const std::wstring& place : places) {
    if (GetFileAttributesW(place.c_str()) != INVALID_FILE_ATTRIBUTES) {
      return OpenInShell(owner, place, L"die Anleitung");
    }
    lookedAt += L"\n" + place;
  }
  return L"Die Anleitung fehlt. Gesucht als:" + lookedAt +
         L"\n\nDas Installationsprogramm legt sie neben das 32-Bit-Plug-in.";
}

}  // namespace tarvolk::dmx_test
