#include "port_setting.h"

#include <limits>

#include "engine/numeric_text.h"
#include "report_text.h"

namespace tarvolk::dmx_test {
namespace {

// The plug-in starts at this port when nothing usable is stored.
constexpr int kPresetPort = 1;
constexpr int kHighestPort = std::numeric_limits<unsigned char>::max();
// A stored text is quoted in a message only this far.
constexpr std::size_t kQuoted = 20;

// Only plain ASCII can spell a number: any other character stays one that
// spells none.
std::u16string Narrow(std::wstring_view text) {
  std::u16string narrow;
  for (const wchar_t c : text) narrow.push_back(c > 0x7F ? u'?' : static_cast<char16_t>(c));
  return narrow;
}

PortReading Preset(std::wstring trouble) {
  return {kPresetPort, true, L"COM1 (voreingestellt)", std::move(trouble)};
}

PortReading Refused(const std::wstring& text, const wchar_t* what, int error) {
  return {0, false, L"keine",
          L"Gespeichert ist „" + Printable(text, kQuoted) + L"“, " + what +
              L": Das Plug-in meldet beim Start Fehler " + std::to_wstring(error) +
              L" und öffnet keine Schnittstelle."};
}

}  // namespace

PortReading PortFromSetting(const std::optional<Fact>& stored) {
  if (!stored) return Preset({});
  if (!stored->Read()) {
    return Preset(L"Der gespeicherte Wert gilt nicht (" + FactText(*stored) +
                  L"), das Plug-in nimmt COM1.");
  }
  const auto number = engine::ParseNumber(Narrow(stored->text));
  if (!number) return Refused(stored->text, L"keine Zahl", 13);
  const double port = engine::RoundHalfToEven(*number);
  if (!(port >= 0 && port <= kHighestPort)) return Refused(stored->text, L"nicht 0 bis 255", 6);
  if (port == 0) return {0, false, L"keine", {}};
  const int chosen = static_cast<int>(port);
  return {chosen, false, L"COM" + std::to_wstring(chosen), {}};
}

std::wstring OfferText(std::wstring_view title, int port) {
  return L"COM" + std::to_wstring(port) + L" – Lichtprogramm „" + Printable(title, 60) + L"“";
}

std::wstring Printable(std::wstring_view text, std::size_t longest) {
  std::wstring shown;
  for (const wchar_t c : text) {
    if (shown.size() == longest) return shown + L"…";
    shown.push_back(c < L' ' || c == 0x7F ? L'?' : c);
  }
  return shown;
}

}  // namespace tarvolk::dmx_test
