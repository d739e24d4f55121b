#include "report_collect.h"

#include <windows.h>

#include "file_facts.h"
#include "journal_facts.h"
#include "port_facts.h"
#include "registration_facts.h"
#include "report_text.h"
#include "stored_ports.h"
#include "system_facts.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

ProgramFacts CollectProgramFacts() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  constexpr int kBits = sizeof(void*) * 8;
  if (length == 0) {
    const Fact unknown = WindowsFailure(L"nicht zu finden", GetLastError());
    return {kBits, unknown, unknown};
  }
  path.resize(length);
  return {kBits, Known(path), FileVersion(path)};
}

}  // namespace

Report MakeReport() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  ReportFacts facts;
  facts.made = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  facts.system = CollectSystemFacts();
  facts.program = CollectProgramFacts();
  facts.registrations = CollectRegistrations();
  facts.storedPorts = ListStoredPorts();
  facts.ports = CollectPorts();
  facts.journal = CollectJournal();
  return {ReportFileName(facts.made), ReportText(facts)};
}

}  // namespace tarvolk::dmx_test
