#pragma once

#include <cstdlib>
#include <string>
#include <string_view>

namespace tarvolk::dmx_interface::testing {

// The text of the value after the first "key": in a JSON document.
inline std::string JsonValueText(std::string_view json, std::string_view key) {
  const std::string quoted = "\"" + std::string(key) + "\": ";
  const std::size_t at = json.find(quoted);
  if (at == std::string_view::npos) return {};
  const std::size_t start = at + quoted.size();
  return std::string(json.substr(start, json.find_first_of(",}\n", start) - start));
}

inline double JsonNumber(std::string_view json, std::string_view key) {
  return std::strtod(JsonValueText(json, key).c_str(), nullptr);
}

}  // namespace tarvolk::dmx_interface::testing
