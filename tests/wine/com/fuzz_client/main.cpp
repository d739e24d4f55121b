// The fuzzing client of Tarvolk_DMX.out.dll, run under Wine after regsvr32:
//   tarvolk_com_fuzz_client fuzz SEED CALLS   random IDispatch calls
//   tarvolk_com_fuzz_client soak CYCLES       Enable/Disable cycles on COM1
// Prints every failed check and the tally "N passed, N failed"; exits with 0
// only when nothing failed and the process lived to say so.
#include <cstdlib>
#include <cstring>

#include "check.h"
#include "client_support.h"
#include "fuzz_client.h"

int main(int argc, char** argv) {
  const bool fuzz = argc == 4 && std::strcmp(argv[1], "fuzz") == 0;
  const bool soak = argc == 3 && std::strcmp(argv[1], "soak") == 0;
  if (!fuzz && !soak) {
    std::fprintf(stderr, "usage: %s fuzz SEED CALLS | soak CYCLES\n", argv[0]);
    return 2;
  }
  if (!CHECK_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK)) {
    check::Summary();
    return 1;
  }
  if (fuzz) {
    FuzzDispatch(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)),
                 std::strtol(argv[3], nullptr, 10));
  } else {
    Soak(std::strtol(argv[2], nullptr, 10));
  }
  CoUninitialize();
  return check::Summary() == 0 ? 0 : 1;
}
