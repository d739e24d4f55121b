#include "platform/win32/comm_line.h"

#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32 {
namespace {

BYTE ParityCode(Parity parity) {
  switch (parity) {
    case Parity::kOdd:
      return ODDPARITY;
    case Parity::kEven:
      return EVENPARITY;
    case Parity::kMark:
      return MARKPARITY;
    case Parity::kSpace:
      return SPACEPARITY;
    case Parity::kNone:
      break;
  }
  return NOPARITY;
}

BYTE StopBitsCode(double stopBits) {
  if (stopBits == 2.0) return TWOSTOPBITS;
  if (stopBits == 1.5) return ONE5STOPBITS;
  return ONESTOPBIT;
}

}  // namespace

void ConfigureLine(HANDLE port, const LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) ThrowLastError("GetCommState");
  dcb.BaudRate = static_cast<DWORD>(settings.baud);
  dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
  dcb.Parity = ParityCode(settings.parity);
  dcb.StopBits = StopBitsCode(settings.stopBits);
  dcb.fBinary = TRUE;
  dcb.fParity = settings.parity == Parity::kNone ? FALSE : TRUE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  if (!SetCommState(port, &dcb)) ThrowLastError("SetCommState");
}

}  // namespace tarvolk::platform::win32
