#pragma once

#include <windows.h>

#include <string>

#include "channel_controls.h"
#include "journal_view.h"
#include "nested_calls.h"
#include "plugin_session.h"
#include "port_offer.h"
#include "report_button.h"

namespace tarvolk::dmx_test {

// The program's one window: the plug-in's name, whether output is on, the
// port the plug-in opens for this program (with the lighting programs' ports
// offered while it has none of its own), the journal's latest lines (read
// every second), and what an operator tries an interface with: output on and
// off, the plug-in's own configuration, every channel dark or full, a chase,
// and one channel on the slider. Every action reaches the plug-in at once, so
// it is on the line from the next frame on. It saves a report for support
// and opens the operators' guide.
//
// Enable, Configure and message boxes run loops of their own; a close asked
// for meanwhile ends them (WM_QUIT, which each passes on) and closes the
// window once they have returned. Every way of ending ends the plug-in as a
// host does, once: output off, so that the port is closed, and Term.
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
  void Configure();
  void TakeOfferedPort();
  void SaveReport();
  void OpenJournal();
  void OpenGuide();

  void Tell(const std::wstring& text, UINT icon);
  void TellFailure(const std::wstring& call, const std::wstring& failure);
  // Returns what Term failed with; nothing when it succeeded.
  std::wstring EndPlugin();
  void Close();

  void ShowJournal();

  PluginSession& plugin_;
  HWND window_ = nullptr;
  NestedCalls nested_;
  ChannelControls channels_;
  JournalView journal_;
  PortOffer port_;
  ReportButton report_;
};

}  // namespace tarvolk::dmx_test
