#include "config/port_list.h"

#include <gtest/gtest.h>

#include "config/port_name.h"

namespace tarvolk::config {
namespace {

using Present = std::optional<std::vector<platform::NamedPort>>;
using Texts = std::vector<std::u16string>;

Texts FirstFiveAnd(std::initializer_list<std::u16string> more) {
  Texts texts{u"COM1", u"COM2", u"COM3", u"COM4", u"COM5"};
  texts.insert(texts.end(), more);
  return texts;
}

TEST(PortList, ListsThePortsPresentByName) {
  const std::vector<platform::NamedPort> none;
  const std::tuple<const char*, Present, std::uint8_t, Texts> cases[] = {
      {"nothing present (Wine)", none, 2, FirstFiveAnd({})},
      {"no port 0 or beyond 255", Present{{{0, u"Null"}, {256, u"Zu hoch"}, {255, u"L (COM255)"}}},
       0, FirstFiveAnd({u"COM255 – L"})},
      {"no listing yet: the stored port by its name", std::nullopt, 12, FirstFiveAnd({u"COM12"})},
      {"an absent stored port beyond COM5", none, 12,
       FirstFiveAnd({u"COM12 – nicht angeschlossen"})},
      {"a built-in port, a Bluetooth port and the stored one present",
       Present{{{4, u"Standard Serial over Bluetooth link (COM4)"},
                {1, u"Kommunikationsanschluss (COM1)"},
                {12, u"DMX (COM12)"}}},
       12,
       {u"COM1 – Kommunikationsanschluss", u"COM2", u"COM3",
        u"COM4 – Standard Serial over Bluetooth link", u"COM5", u"COM12 – DMX"}},
      {"CH340, FTDI and a Modem-class CDC device, ascending; the modem's twin left out",
       Present{{{14, u"USB-SERIAL CH340 (COM14)"},
                {7, u"USB Serial Port (com7)"},
                {9, u"Arduino Leonardo (COM9)"},
                {7, u"USB Modem (COM7)"}}},
       0,
       FirstFiveAnd(
           {u"COM7 – USB Serial Port", u"COM9 – Arduino Leonardo", u"COM14 – USB-SERIAL CH340"})},
      {"names without their port, with other letters, in lines, or none",
       Present{{{8, u" Schnittstelle für Bühne "},
                {6, u"(COM6)"},
                {10, u"Zwei\r\nZeilen\u007f\u0080\u009f\u00a0(COM 7)"},
                {11, u"Gerät (2)"},
                {12, u"Port (COM7) B"}}},
       0,
       FirstFiveAnd({u"COM6", u"COM8 – Schnittstelle für Bühne",
                     u"COM10 – Zwei  Zeilen   \u00a0(COM 7)", u"COM11 – Gerät (2)",
                     u"COM12 – Port (COM7) B"})},
  };
  for (const auto& [what, present, kept, expected] : cases) {
    Texts texts;
    for (const PortEntry& entry : PortList(present, {kept})) {
      texts.push_back(entry.text);
      EXPECT_TRUE(entry.text.starts_with(PortName(entry.port))) << what << ": stands for its port";
    }
    EXPECT_EQ(texts, expected) << what;
  }
}

}  // namespace
}  // namespace tarvolk::config
