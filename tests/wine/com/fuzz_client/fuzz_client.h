#pragma once

// The two runs of the fuzzing client; each records its checks with the
// client's check library.
#include <cstdint>

// calls random IDispatch calls from seed on one driver object.
void FuzzDispatch(std::uint32_t seed, long calls);

// cycles Enable/Disable cycles on COM1 (the virtual DMX interface), with the
// process's handles and heap the same at the end as after warm-up.
void Soak(long cycles);
