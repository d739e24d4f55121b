#include "channel_controls.h"

#include <commctrl.h>

#include <utility>

#include "operator_message.h"
#include "resource_ids.h"

namespace tarvolk::dmx_test {
namespace {

constexpr UINT kChaseMs = 500;  // about two channels a second

}  // namespace

ChannelControls::ChannelControls(PluginSession& plugin, NestedCalls& nested, Tell tell)
    : tell_(std::move(tell)),
      sender_(
          plugin, [&nested](const std::function<void()>& call) { return nested.Run(call); },
          [this](const std::wstring& call, const std::wstring& failure) {
            tell_(PluginFailureText(call, failure), MB_ICONSTOP);
          }) {}

void ChannelControls::Attach(HWND window) {
  window_ = window;
  SetDlgItemTextW(window_, IDC_COUNT, std::to_wstring(ChannelSender::kEnabledCount).c_str());
  SetDlgItemTextW(window_, IDC_CHANNEL, L"1");
  SendDlgItemMessageW(window_, IDC_COUNT, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessageW(window_, IDC_CHANNEL, EM_LIMITTEXT, 3, 0);
  SendDlgItemMessageW(window_, IDC_VALUE, TBM_SETRANGE, TRUE, MAKELPARAM(0, ChannelPicture::kFull));
  SendDlgItemMessageW(window_, IDC_VALUE, TBM_SETPAGESIZE, 0, 16);
  ShowState();
}

void ChannelControls::Detach() {
  StopChase();
  window_ = nullptr;
}

void ChannelControls::OnClick(int control) {
  switch (control) {
    case IDC_ENABLE:
      return SwitchOn();
    case IDC_DISABLE:
      sender_.SwitchOff();
      return ShowState();
    case IDC_ALL_ZERO:
      return SetEveryChannel(0);
    case IDC_ALL_FULL:
      return SetEveryChannel(ChannelPicture::kFull);
    case IDC_CHASE:
      return ToggleChase();
    default:
      return;
  }
}

void ChannelControls::SwitchOn() {
  const auto count = TypedCount();
  if (count && sender_.SwitchOn(*count)) ShowState();
}

void ChannelControls::SetEveryChannel(int value) {
  const auto count = TypedCount();
  if (!count) return;
  StopChase();
  if (sender_.SetEvery(*count, value)) ShowState();
}

void ChannelControls::ToggleChase() {
  if (IsDlgButtonChecked(window_, IDC_CHASE) != BST_CHECKED) return StopChase();
  const auto count = TypedCount();
  if (!count || !sender_.StartChase(*count)) return StopChase();
  SetTimer(window_, kChaseTimer, kChaseMs, nullptr);
}

void ChannelControls::StopChase() {
  if (window_ == nullptr) return;
  KillTimer(window_, kChaseTimer);
  CheckDlgButton(window_, IDC_CHASE, BST_UNCHECKED);
  ShowState();
}

void ChannelControls::OnSlider() {
  const auto value = static_cast<int>(SendDlgItemMessageW(window_, IDC_VALUE, TBM_GETPOS, 0, 0));
  SetDlgItemTextW(window_, IDC_VALUE_TEXT, std::to_wstring(value).c_str());
  const auto count = TypedCount();
  if (!count) return;
  const auto channel = WholeNumberIn(FieldText(IDC_CHANNEL), 1, *count);
  if (!channel) {
    return tell_(
        L"Bitte geben Sie als Kanal eine Zahl von 1 bis " + std::to_wstring(*count) + L" ein.",
        MB_ICONEXCLAMATION);
  }
  if (sender_.SetOne(*count, *channel, value)) ShowState();
}

std::optional<int> ChannelControls::TypedCount() {
  const auto count = WholeNumberIn(FieldText(IDC_COUNT), 1, ChannelPicture::kMostChannels);
  if (!count) {
    tell_(L"Bitte geben Sie als Anzahl der Kanäle eine Zahl von 1 bis 254 ein.",
          MB_ICONEXCLAMATION);
  }
  return count;
}

std::wstring ChannelControls::FieldText(int control) const {
  const HWND item = GetDlgItem(window_, control);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

void ChannelControls::ShowState() {
  if (window_ == nullptr) return;
  SetDlgItemTextW(window_, IDC_OUTPUT_STATE, sender_.OutputOn() ? L"an" : L"aus");
}

}  // namespace tarvolk::dmx_test
