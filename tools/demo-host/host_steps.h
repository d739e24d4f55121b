#pragma once

#include <vector>

#include "step_parser.h"

namespace tarvolk::demo_host {

using automation::AutomationObject;
using automation::CallOutcome;

// Runs the steps in order against a new clsOutputDriver, printing one line
// per call with its start and end time (Unix microseconds) and its outcome.
// A WM_QUIT that arrives while it pumps messages ends the run ("quit TIME");
// a host window destroyed by a timer or from outside is reported as
// "closed CAPTION TIME".
// Returns false when the driver could not be created.
bool RunSteps(const std::vector<Step>& steps);

}  // namespace tarvolk::demo_host
