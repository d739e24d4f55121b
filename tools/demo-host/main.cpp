// demo-host: a small stand-in for the lighting-control host. It creates the
// output driver through COM on a single-threaded apartment, calls it step by
// step as the command line says, and pumps messages between the calls as
// every real host does.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host_steps.h"

namespace {

constexpr wchar_t kUsage[] =
    L"usage: demo-host STEP...\n"
    L"  init=TITLE,FILE   Init(TITLE, FILE)\n"
    L"  enable | disable | configure | term | name\n"
    L"  set=CHANNEL,VALUE SetChannel(CHANNEL, VALUE)\n"
    L"  wait=SECONDS      pump messages for a while\n"
    L"  show=SECONDS,N    a chase and a fade over channels 1..N\n"
    L"  configure=SECONDS Configure(), the dialog closed by the host SECONDS later\n"
    L"  window            open the host's main window\n"
    L"  window=CAPTION    open another window of the host\n"
    L"  disable=CAPTION   disable that window\n"
    L"  close=CAPTION[,S] destroy that window, at once or S seconds later\n";

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> words(argv + 1, argv + argc);
  const auto steps = tarvolk::demo_host::ParseSteps(words);
  if (!steps || steps->empty()) {
    std::fputws(kUsage, stderr);
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fputs("demo-host: CoInitializeEx failed\n", stderr);
    return 1;
  }
  const bool ran = tarvolk::demo_host::RunSteps(*steps);
  CoUninitialize();
  return ran ? 0 : 1;
}
