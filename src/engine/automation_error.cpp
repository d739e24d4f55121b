#include "engine/automation_error.h"

namespace tarvolk::engine {
namespace {

struct ErrorText {
  const char* english;
  const char16_t* german;
};

ErrorText TextFor(ErrorNumber number) {
  switch (number) {
    case ErrorNumber::kOverflow:
      return {"overflow", u"Überlauf"};
    case ErrorNumber::kBounds:
      return {"subscript out of range", u"Index außerhalb des gültigen Bereichs"};
    case ErrorNumber::kConversion:
      return {"type mismatch", u"Typen unverträglich"};
    case ErrorNumber::kInvalidValue:
      return {"invalid property value", u"Unzulässiger Eigenschaftswert"};
  }
  return {"automation error", u"Automatisierungsfehler"};
}

}  // namespace

AutomationError::AutomationError(ErrorNumber number)
    : std::runtime_error(TextFor(number).english),
      number_(number),
      description_(TextFor(number).german) {}

}  // namespace tarvolk::engine
