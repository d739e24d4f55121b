#include "json_value.h"

#include <cctype>
#include <charconv>
#include <stdexcept>

namespace tarvolk::dmx_interface::testing {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  JsonValue Document() {
    JsonValue value = Value();
    SkipSpace();
    if (pos_ != text_.size()) Fail("trailing characters");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("invalid JSON at " + std::to_string(pos_) + ": " + what);
  }

  void SkipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }

  bool Consume(std::string_view token) {
    SkipSpace();
    if (text_.substr(pos_, token.size()) != token) return false;
    pos_ += token.size();
    return true;
  }

  void Expect(std::string_view token) {
    if (!Consume(token)) Fail("expected " + std::string(token));
  }

  JsonValue Value() {
    if (Consume("null")) return {nullptr};
    if (Consume("true")) return {true};
    if (Consume("false")) return {false};
    if (Consume("{")) return ObjectBody();
    if (Consume("[")) return ArrayBody();
    if (Consume("\"")) return {StringBody()};
    return {NumberValue()};
  }

  JsonValue ObjectBody() {
    JsonValue::Object object;
    if (Consume("}")) return {object};
    do {
      Expect("\"");
      std::string key = StringBody();
      Expect(":");
      if (!object.emplace(std::move(key), Value()).second) Fail("duplicate key");
    } while (Consume(","));
    Expect("}");
    return {object};
  }

  JsonValue ArrayBody() {
    JsonValue::Array array;
    if (Consume("]")) return {array};
    do {
      array.push_back(Value());
    } while (Consume(","));
    Expect("]");
    return {array};
  }

  // Our output never escapes, so escapes are rejected rather than decoded.
  std::string StringBody() {
    const std::size_t end = text_.find_first_of("\"\\", pos_);
    if (end == std::string_view::npos || text_[end] != '"') Fail("unsupported string");
    std::string body(text_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return body;
  }

  double NumberValue() {
    SkipSpace();
    double number = 0;
    const char* begin = text_.data() + pos_;
    // from_chars would also take "nan" and "inf", which JSON does not allow.
    if (pos_ == text_.size() ||
        (*begin != '-' && !std::isdigit(static_cast<unsigned char>(*begin)))) {
      Fail("expected a value");
    }
    const auto [end, error] = std::from_chars(begin, text_.data() + text_.size(), number);
    if (error != std::errc{}) Fail("bad number");
    pos_ += static_cast<std::size_t>(end - begin);
    return number;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

JsonValue ParseJson(std::string_view text) { return Parser(text).Document(); }

}  // namespace tarvolk::dmx_interface::testing
