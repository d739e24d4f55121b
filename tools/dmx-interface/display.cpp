#include "display.h"

#include <algorithm>
#include <cstdio>

namespace tarvolk::dmx_interface {

namespace {

constexpr std::size_t kBarWidth = 32;
constexpr unsigned kMaxLevel = 255;

std::string Format(const char* format, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string RatesText(const Snapshot& s) {
  return Format("channels %zu  frames/s %.1f  line %.1f %%  frames %llu", s.latest.size(),
                s.framesPerS, s.lineShare * 100.0,
                static_cast<unsigned long long>(s.counts.frames));
}

std::string FaultsText(const DecoderCounts& c) {
  return Format(
      "bad frames %llu (torn %llu, start code %llu, zero length %llu)  stray bytes %llu  skipped "
      "%llu",
      static_cast<unsigned long long>(c.BadFrames()), static_cast<unsigned long long>(c.torn),
      static_cast<unsigned long long>(c.wrongStartCode),
      static_cast<unsigned long long>(c.zeroLength), static_cast<unsigned long long>(c.strayBytes),
      static_cast<unsigned long long>(c.skippedBytes));
}

std::span<const std::uint8_t> Shown(const Snapshot& s, std::size_t shownChannels) {
  return s.latest.first(std::min(shownChannels, s.latest.size()));
}

std::string Bar(std::uint8_t value) {
  const std::size_t filled = (value * kBarWidth + kMaxLevel / 2) / kMaxLevel;
  return std::string(filled, '#') + std::string(kBarWidth - filled, '.');
}

}  // namespace

std::string RenderScreen(const Snapshot& s, std::size_t shownChannels) {
  std::string text = Format("dmx-interface  %s  %.1f s\n", s.source.c_str(), s.elapsedS);
  text += RatesText(s) + "\n" + FaultsText(s.counts) + "\n";
  if (!s.haveFrame) return text + "waiting for a whole frame\n";
  const auto shown = Shown(s, shownChannels);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    text += Format("%4zu [%s] %3u\n", i + 1, Bar(shown[i]).c_str(), unsigned{shown[i]});
  }
  return text;
}

std::string RenderLogLine(const Snapshot& s, std::size_t shownChannels) {
  std::string text = Format("%.1f s  ", s.elapsedS) + RatesText(s) + "  " + FaultsText(s.counts);
  if (s.haveFrame) {
    text += "  |";
    for (const std::uint8_t value : Shown(s, shownChannels)) text += Format(" %u", unsigned{value});
  }
  return text + "\n";
}

}  // namespace tarvolk::dmx_interface
