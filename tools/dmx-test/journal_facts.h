#pragma once

#include "report_facts.h"

namespace tarvolk::dmx_test {

// The journal's last JournalFacts::kLines lines, read as the window reads
// them (shared with its writers, open only while it is read), and whether
// older lines went to the rotated Protokoll.1.txt beside it.
JournalFacts CollectJournal();

}  // namespace tarvolk::dmx_test
