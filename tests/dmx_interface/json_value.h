#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarvolk::dmx_interface::testing {

// A small strict JSON reader, so tests check that the output really is JSON.
struct JsonValue {
  using Array = std::vector<JsonValue>;
  using Object = std::map<std::string, JsonValue>;
  std::variant<std::nullptr_t, bool, double, std::string, Array, Object> value;

  bool IsNull() const { return std::holds_alternative<std::nullptr_t>(value); }
  double Number() const { return std::get<double>(value); }
  const Array& Items() const { return std::get<Array>(value); }
  const JsonValue& operator[](const std::string& key) const {
    return std::get<Object>(value).at(key);
  }
};

// Throws std::runtime_error on anything that is not one complete JSON value.
JsonValue ParseJson(std::string_view text);

}  // namespace tarvolk::dmx_interface::testing
