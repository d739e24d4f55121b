#pragma once

#include <ostream>

#include "report.h"

namespace tarvolk::dmx_interface {

// Writes the report as one JSON object; rates that could not be measured are null.
void WriteJson(std::ostream& out, const Report& report);

}  // namespace tarvolk::dmx_interface
