#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "report_facts.h"

namespace tarvolk::dmx_test {

// The port the plug-in opens for a program, read from what it stored for
// that program exactly as the plug-in reads it: nothing stored, or a value
// that is no text, means COM1; a text is read as the plug-in reads numbers,
// 0 meaning none; a text that is no number from 0 to 255 makes the
// plug-in's Init fail, and it opens none.
struct PortReading {
  int port = 0;          // the port the plug-in opens, 0 for none
  bool preset = false;   // COM1 as nothing usable is stored
  std::wstring text;     // "COM7", "COM1 (voreingestellt)", "keine"
  std::wstring trouble;  // what is wrong with the stored value; empty when nothing is

  // The program chose a port of its own.
  bool OwnPort() const { return port > 0 && !preset; }
};

// stored: the COM value's text, why it has none, or nothing when there is none.
PortReading PortFromSetting(const std::optional<Fact>& stored);

// An offer of another program's port, the port first, so that a box too
// narrow for a long title still shows it: "COM7 – Lichtprogramm „Show“".
std::wstring OfferText(std::wstring_view title, int port);

// Text from outside (a program's title, a stored value) as one line: control
// characters shown as "?", and at most `longest` characters, cut with "…".
std::wstring Printable(std::wstring_view text, std::size_t longest = 120);

}  // namespace tarvolk::dmx_test
