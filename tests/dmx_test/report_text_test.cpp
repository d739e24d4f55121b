#include "report_text.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarvolk::dmx_test {
namespace {

ReportFacts Sample() {
  ReportFacts facts;
  facts.made = {2026, 12, 9, 15, 30, 7};
  facts.system = {Known(L"10.0, Build 19045"), Known(MachineText(0x8664)), Known(L"verfügbar")};
  facts.program = {32, Known(L"C:\\Tarvolk\\Tarvolk_DMX-Test.exe"), Known(L"1.0.0.8")};
  facts.registrations = {{32, Known(L"{0D5C3E0B}"), Known(L"C:\\Tarvolk\\Tarvolk_DMX.out.dll"),
                          Known(L"Apartment"), Known(L"vorhanden"), Known(L"1.0.0.8"),
                          Known(MachineText(0x14C))}};
  facts.storedPorts.ports = {{L"Show\nPult*", Known(L"7"), Known(L"2026-12-09 15:20")}};
  facts.ports.ports = {{Known(L"USB Serial Port (COM7)"), Known(L"COM7"),
                        Known(L"FTDIBUS\\COMPORT&VID_0403&PID_6001"),
                        Known(L"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000"), Known(L"FTDI"),
                        Known(L"2.12.36.4"), Unknown(L"nicht angegeben")}};
  facts.journal = {Known(L"C:\\Protokoll.txt"), Known(L"15:20 COM7 geöffnet\r\n15:21 zu"), true,
                   Known(L"nein")};
  return facts;
}

bool HasLine(const std::wstring& text, const std::wstring& line) {
  return text.find(L"\r\n" + line + L"\r\n") != std::wstring::npos;
}

TEST(ReportText, SaysEveryFactInItsPlace) {
  struct Case {
    const char* what;
    std::function<void(ReportFacts&)> change;
    std::vector<std::wstring> lines;
    std::vector<std::wstring> absent = {};
  };
  const Case cases[] = {
      {"every fact read",
       [](ReportFacts&) {},
       {L"Erstellt 2026-12-09 15:30:07 (Ortszeit) von Tarvolk DMX – Test.",
        L"Architektur: x64 (64 Bit)", L"== Plug-in für 32 Bit ==",
        L"CLSID (ProgID Tarvolk_DMX.clsOutputDriver): {0D5C3E0B}",
        L"Server (InprocServer32): C:\\Tarvolk\\Tarvolk_DMX.out.dll",
        L"Architektur der Datei: x86 (32 Bit)",
        L"„Show?Pult*“: COM7 (gespeichert 2026-12-09 15:20)", L"COM7 – USB Serial Port (COM7)",
        L"  Gerät: USB-Gerät, Hersteller 0403 (FTDI), Produkt 6001, Seriennummer A50285BI, Kanal A",
        L"  Treiberdatum: nicht angegeben", L"15:20 COM7 geöffnet", L"15:21 zu"}},
      {"a class not registered, nothing read after it",
       [](ReportFacts& f) {
         f.registrations[0].classId = Unknown(L"nicht registriert", 2, L"nix");
       },
       {L"CLSID (ProgID Tarvolk_DMX.clsOutputDriver): nicht registriert (Windows-Fehler 2: nix)"},
       {L"ThreadingModel: Apartment"}},
      {"a missing journal, not UTF-8 text",
       [](ReportFacts& f) {
         f.journal.lines = Unknown(L"kein Protokoll", 3);
         f.journal.utf8 = false;
       },
       {L"Inhalt: kein Protokoll (Windows-Fehler 3)",
        L"Achtung: Es enthält Bytes, die kein UTF-8 sind (hier als �)."},
       {L"15:21 zu"}},
      {"stored values the plug-in reads otherwise",
       [](ReportFacts& f) {
         f.storedPorts.ports = {{L"A", Unknown(L"kein Text"), Known(L"t")},
                                {L"B", Known(L"abc"), Known(L"t")},
                                {L"C", Known(L" 3.5 "), Known(L"t")},
                                {L"D", Known(L"0"), Known(L"t")}};
       },
       {L"„A“: COM1 (voreingestellt) – Der gespeicherte Wert gilt nicht (kein Text), das "
        L"Plug-in nimmt COM1. (gespeichert t)",
        L"„B“: keine – Gespeichert ist „abc“, keine Zahl: Das Plug-in meldet beim Start Fehler "
        L"13 und öffnet keine Schnittstelle. (gespeichert t)",
        L"„C“: COM4 (gespeichert t)", L"„D“: keine (gespeichert t)"}},
      {"no port present, as under Wine",
       [](ReportFacts& f) { f.ports.ports.clear(); },
       {L"Keine: Windows nennt kein vorhandenes Gerät dieser Klassen."}},
  };
  for (const Case& c : cases) {
    ReportFacts facts = Sample();
    c.change(facts);
    const std::wstring text = ReportText(facts);
    for (const std::wstring& line : c.lines)
      EXPECT_TRUE(HasLine(text, line)) << c.what << ": " << line;
    for (const std::wstring& line : c.absent)
      EXPECT_FALSE(HasLine(text, line)) << c.what << ": " << line;
  }
  EXPECT_EQ(ReportFileName(Sample().made), L"Tarvolk DMX Bericht 2026-12-09 15-30.txt");
}

}  // namespace
}  // namespace tarvolk::dmx_test
