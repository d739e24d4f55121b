#pragma once

#include <string>

namespace tarvolk::engine {
class DriverState;
}
namespace tarvolk::platform {
class SettingsStore;
}

namespace tarvolk::plugin {

// The serial port is the one setting that outlives a run. It is kept per host
// application and per plug-in file, under section "Plugins\<file name>", key "COM".

// Reads the stored port into PortNumber; an absent value means port 1.
// Throws AutomationError: conversion (13) for text that is not a number,
// overflow (6) for one that rounds outside 0..255; PortNumber is then unchanged.
void LoadPort(engine::DriverState& state, const platform::SettingsStore& store,
              const std::u16string& appTitle, const std::u16string& fileName);

// Writes PortNumber as decimal text, replacing any earlier value.
void SavePort(const engine::DriverState& state, platform::SettingsStore& store,
              const std::u16string& appTitle, const std::u16string& fileName);

}  // namespace tarvolk::plugin
