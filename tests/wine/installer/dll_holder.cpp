// dll-holder DLL RELEASE: holds a DLL loaded, as a running lighting program
// holds the plug-in, until the file RELEASE exists. Prints "held" once the
// DLL is loaded.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || LoadLibraryW(argv[1]) == nullptr) return 1;
  std::puts("held");
  std::fflush(stdout);
  while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES) Sleep(50);
  return 0;
}
