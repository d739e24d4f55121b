#pragma once

// The seven methods of _clsOutputDriver as a host relies on them: slot order,
// dispatch ID, parameters (all [in, out] by reference) and result type.
#include <windows.h>
// windows.h must come first.
#include <oleauto.h>

#include <array>

struct Parameter {
  const wchar_t* name;
  VARTYPE type;  // the type it points to
};

struct MethodShape {
  const wchar_t* name;
  DISPID id;
  int parameterCount;
  std::array<Parameter, 2> parameters;
  VARTYPE result;
};

inline constexpr std::array<MethodShape, 7> kMethods{{
    {L"Disable", 0x60030000, 0, {}, VT_BOOL},
    {L"Enable", 0x60030001, 0, {}, VT_BOOL},
    {L"PluginName", 0x60030002, 0, {}, VT_BSTR},
    {L"SetChannel", 0x60030003, 2, {{{L"channel", VT_I4}, {L"value", VT_I4}}}, VT_BOOL},
    {L"Configure", 0x60030004, 0, {}, VT_BOOL},
    {L"Init", 0x60030005, 2, {{{L"CallingAppTitle", VT_BSTR}, {L"MyFilename", VT_BSTR}}}, VT_BOOL},
    {L"Term", 0x60030006, 0, {}, VT_BOOL},
}};

inline constexpr DISPID kPluginNameId = 0x60030002;
inline constexpr DISPID kDisableId = 0x60030000;
inline constexpr DISPID kSetChannelId = 0x60030003;
inline constexpr DISPID kInitId = 0x60030005;
inline constexpr DISPID kTermId = 0x60030006;
