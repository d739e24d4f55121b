// dll-holder DLL RELEASE [read]: holds a DLL loaded, as a running lighting
// program holds the plug-in, or with "read" open for shared reading, as a
// virus scanner does, until the file RELEASE exists. Prints "held" then.
#include <windows.h>

#include <cstdio>
#include <string_view>

int wmain(int argc, wchar_t** argv) {
  const bool read = argc == 4 && std::wstring_view(argv[3]) == L"read";
  if (argc != 3 && !read) return 1;
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const bool held = read ? CreateFileW(argv[1], GENERIC_READ, all, nullptr, OPEN_EXISTING, 0,
                                       nullptr) != INVALID_HANDLE_VALUE
                         : LoadLibraryW(argv[1]) != nullptr;
  if (!held) return 1;
  std::puts("held");
  std::fflush(stdout);
  while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES) Sleep(50);
  return 0;
}
