#pragma once

#include <windows.h>

// After windows.h.
#include <oaidl.h>

#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace tarvolk::automation {

// What one automation call gave back, as text: "true", "false", a string, or
// the automation error "error <number>: <description>".
struct CallOutcome {
  bool failed = false;
  std::wstring text;
};

// An argument passed by reference, as a host compiled against the type
// library passes it: a 32-bit integer or a string.
using ByRefArgument = std::variant<LONG, std::wstring>;

// A step of creating the component that COM refused, and COM's answer.
class CreationError : public std::runtime_error {
 public:
  CreationError(const std::string& what, HRESULT result)
      : std::runtime_error(what), result_(result) {}
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

// A component created by its programmatic name and called by method name
// through IDispatch, on the calling (single-threaded apartment) thread.
class AutomationObject {
 public:
  // Throws CreationError naming the failing step and its HRESULT.
  explicit AutomationObject(const wchar_t* progId);
  ~AutomationObject();
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;

  CallOutcome Call(const wchar_t* method, std::vector<ByRefArgument> arguments = {});

 private:
  IDispatch* dispatch_ = nullptr;
};

}  // namespace tarvolk::automation
