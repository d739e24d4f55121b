#pragma once

// The groups of checks the COM client runs, in this order, on an STA thread.
void TypeLibraryChecks();
void VtableChecks();
void DispatchChecks();
void SettingsChecks();
void ThreadChecks();
void LifetimeChecks();
void VersionChecks();
