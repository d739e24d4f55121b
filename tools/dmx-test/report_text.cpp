#include "report_text.h"

#include <cwchar>

#include "device_ids.h"
#include "port_setting.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kEnd[] = L"\r\n";

constexpr wchar_t kContents[] =
    L"Inhalt: wann der Bericht entstand; Windows' Version, Build und Architektur; ob Windows\r\n"
    L"Meldungen beim Schlafen und Aufwachen bietet; die Registrierung des Plug-ins\r\n"
    L"Tarvolk_DMX.clsOutputDriver für 32 und 64 Bit mit Datei, Version und Architektur; die\r\n"
    L"Version des Testprogramms; die Schnittstelle, die das Plug-in für jedes Programm\r\n"
    L"gespeichert hat; die vorhandenen Schnittstellen mit ihren Treibern; die letzten 200\r\n"
    L"Zeilen des Protokolls des Plug-ins. Sonst nichts: Benutzernamen höchstens in Pfaden,\r\n"
    L"von anderen Programmen nur die für das Plug-in gespeicherte Schnittstelle. Was nicht\r\n"
    L"zu lesen war, sagt an seiner Stelle, warum.";

std::wstring TwoDigits(int value) {
  wchar_t text[8];
  std::swprintf(text, 8, L"%02d", value);
  return text;
}

class Lines {
 public:
  void Heading(const std::wstring& title) { text_ += kEnd + (L"== " + title + L" ==") + kEnd; }
  void Line(const std::wstring& line) { text_ += line + kEnd; }
  void Value(const std::wstring& label, const Fact& fact) { Line(label + L": " + FactText(fact)); }
  std::wstring Text() && { return std::move(text_); }

 private:
  std::wstring text_;
};

void AddRegistration(Lines& lines, const Registration& registration) {
  lines.Heading(L"Plug-in für " + std::to_wstring(registration.bits) + L" Bit");
  lines.Value(L"CLSID (ProgID Tarvolk_DMX.clsOutputDriver)", registration.classId);
  if (!registration.classId.Read()) return;
  lines.Value(L"Server (InprocServer32)", registration.server);
  lines.Value(L"ThreadingModel", registration.threadingModel);
  if (!registration.server.Read()) return;
  lines.Value(L"Datei", registration.file);
  if (!registration.file.Read()) return;
  lines.Value(L"Dateiversion", registration.version);
  lines.Value(L"Architektur der Datei", registration.machine);
}

void AddStoredPorts(Lines& lines, const StoredPortList& stored) {
  lines.Heading(L"Gespeicherte Schnittstellen, neueste zuerst");
  lines.Line(
      L"(HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\<Programm>\\Plugins\\"
      L"Tarvolk_DMX.out.dll, Wert COM)");
  if (!stored.listed.Read()) lines.Line(FactText(stored.listed));
  if (stored.listed.Read() && stored.ports.empty())
    lines.Line(L"Kein Programm hat eine gespeichert.");
  for (const StoredPort& port : stored.ports) {
    const PortReading reading = PortFromSetting(port.value);
    std::wstring line = L"„" + Printable(port.title) + L"“: " + reading.text;
    if (!reading.trouble.empty()) line += L" – " + reading.trouble;
    lines.Line(line + L" (gespeichert " + FactText(port.storedAt) + L")");
  }
}

void AddPorts(Lines& lines, const PortList& list) {
  lines.Heading(L"Vorhandene Schnittstellen (Geräte-Manager: Anschlüsse und Modems)");
  if (!list.listed.Read()) lines.Line(FactText(list.listed));
  if (list.listed.Read() && list.ports.empty()) {
    lines.Line(L"Keine: Windows nennt kein vorhandenes Gerät dieser Klassen.");
  }
  for (const PortDevice& port : list.ports) {
    lines.Line(FactText(port.portName) + L" – " + FactText(port.name));
    lines.Value(L"  Hardware-ID", port.hardwareId);
    lines.Value(L"  Instanz-ID", port.instanceId);
    if (port.hardwareId.Read() || port.instanceId.Read()) {
      lines.Line(L"  Gerät: " + DescribeDeviceIds(port.hardwareId.text, port.instanceId.text));
    }
    lines.Value(L"  Treiber von", port.provider);
    lines.Value(L"  Treiberversion", port.driverVersion);
    lines.Value(L"  Treiberdatum", port.driverDate);
  }
}

void AddJournal(Lines& lines, const JournalFacts& journal) {
  lines.Heading(L"Protokoll, die letzten " + std::to_wstring(JournalFacts::kLines) + L" Zeilen");
  lines.Value(L"Datei", journal.file);
  lines.Value(L"Ältere Zeilen", journal.olderLines);
  if (!journal.utf8) lines.Line(L"Achtung: Es enthält Bytes, die kein UTF-8 sind (hier als �).");
  if (!journal.lines.Read()) return lines.Value(L"Inhalt", journal.lines);
  lines.Line({});
  lines.Line(journal.lines.text);
}

}  // namespace

std::wstring ReportText(const ReportFacts& facts) {
  Lines lines;
  lines.Line(L"Tarvolk DMX – Bericht für die Unterstützung");
  lines.Line(L"Erstellt " + TimeText(facts.made, true) + L" (Ortszeit) von Tarvolk DMX – Test.");
  lines.Line({});
  lines.Line(kContents);
  lines.Heading(L"Windows");
  lines.Value(L"Version", facts.system.version);
  lines.Value(L"Architektur", facts.system.architecture);
  lines.Value(L"Meldungen beim Schlafen und Aufwachen", facts.system.wakeNotices);
  lines.Heading(L"Testprogramm (" + std::to_wstring(facts.program.bits) + L" Bit)");
  lines.Value(L"Datei", facts.program.file);
  lines.Value(L"Version", facts.program.version);
  for (const Registration& registration : facts.registrations) {
    AddRegistration(lines, registration);
  }
  AddStoredPorts(lines, facts.storedPorts);
  AddPorts(lines, facts.ports);
  AddJournal(lines, facts.journal);
  lines.Line({});
  lines.Line(L"Ende des Berichts.");
  return std::move(lines).Text();
}

std::wstring ReportFileName(const LocalTime& time) {
  std::wstring name = L"Tarvolk DMX Bericht " + TimeText(time) + L".txt";
  name[name.find(L':')] = L'-';
  return name;
}

std::wstring TimeText(const LocalTime& time, bool seconds) {
  std::wstring text = std::to_wstring(time.year) + L"-" + TwoDigits(time.month) + L"-" +
                      TwoDigits(time.day) + L" " + TwoDigits(time.hour) + L":" +
                      TwoDigits(time.minute);
  return seconds ? text + L":" + TwoDigits(time.second) : text;
}

std::wstring FactText(const Fact& fact) {
  if (fact.Read()) return fact.text;
  if (fact.error == 0) return fact.why;
  std::wstring text = fact.why + L" (Windows-Fehler " + std::to_wstring(fact.error);
  if (!fact.windowsSays.empty()) text += L": " + fact.windowsSays;
  return text + L")";
}

std::wstring MachineText(unsigned machine) {
  switch (machine) {
    case 0x014C:
      return L"x86 (32 Bit)";
    case 0x8664:
      return L"x64 (64 Bit)";
    case 0xAA64:
      return L"ARM64 (64 Bit)";
    case 0x01C4:
      return L"ARM (32 Bit)";
    default: {
      wchar_t text[40];
      std::swprintf(text, 40, L"unbekannt (Maschine 0x%04X)", machine);
      return text;
    }
  }
}

}  // namespace tarvolk::dmx_test
