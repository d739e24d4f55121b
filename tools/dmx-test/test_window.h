#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "channel_sender.h"
#include "journal_view.h"
#include "nested_calls.h"
#include "plugin_session.h"

namespace tarvolk::dmx_test {

// The program's one window: the plug-in's name, whether output is on, the
// port stored for this program, the journal's latest lines (read every
// second), and what an operator tries an interface with: output on and off,
// the plug-in's own configuration, every channel dark or full, a chase, and
// one channel on a slider. Every action reaches the plug-in at once, so it
// is on the line from the next frame on.
//
// Enable, Configure and message boxes run loops of their own; a close asked
// for meanwhile ends them (WM_QUIT, which each passes on) and closes the
// window once they have returned: output off, Term, and the plug-in left to
// be released.
class TestWindow {
 public:
  explicit TestWindow(PluginSession& plugin);

  // Shows the window and runs the thread's messages until it has closed.
  void Run();

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM);
  void Initialise();
  void OnCommand(int control);

  void SwitchOn();
  void SetEveryChannel(int value);
  void ToggleChase();
  void StopChase();
  void SetOneChannel();
  void Configure();
  void OpenJournal();

  // The count typed, or nothing after telling the operator what is wrong.
  std::optional<int> TypedCount();

  void Tell(const std::wstring& text, UINT icon);
  void TellFailure(const std::wstring& call, const std::wstring& failure);
  void Close();

  void ShowState();
  void ShowStoredPort();
  void ShowJournal();
  std::wstring ControlText(int control) const;

  PluginSession& plugin_;
  HWND window_ = nullptr;
  NestedCalls nested_;
  ChannelSender sender_;
  JournalView journal_;
};

}  // namespace tarvolk::dmx_test
