#pragma once

#include "message_loop.h"
#include "output_driver.h"

namespace tarvolk::bench {

// SetChannel calls per second over `seconds` each, through the interface's
// slot and through IDispatch::Invoke with the arguments by value (as a script
// host passes literals) and by reference (as a late-bound compiled host passes
// variables). Pending messages are handled between batches, so the driver's
// ticks keep running. Prints one "calls_per_s WAY RATE" line each.
void MeasureCallRates(OutputDriver& driver, MessageLoop& loop, double seconds);

}  // namespace tarvolk::bench
