#include "platform/win32/serial/comm_line.h"

#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32::serial {
namespace {

constexpr DWORD kRefusedStateRetryMs = 200;
constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;

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

DCB LineState(const LineSettings& settings, DWORD inputBufferSize) {
  DCB dcb{};  // reserved fields and the error, end-of-file and event characters 0
  dcb.DCBlength = sizeof dcb;
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
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  // Unused without Xon/Xoff, but checked by drivers all the same.
  dcb.XonLim = static_cast<WORD>(inputBufferSize / 4);
  dcb.XoffLim = static_cast<WORD>(inputBufferSize / 4);
  dcb.XonChar = kXon;
  dcb.XoffChar = kXoff;
  return dcb;
}

bool CarriesLine(const DCB& present, const DCB& wanted) {
  return present.BaudRate == wanted.BaudRate && present.ByteSize == wanted.ByteSize &&
         present.Parity == wanted.Parity && present.StopBits == wanted.StopBits &&
         present.fOutxCtsFlow == wanted.fOutxCtsFlow &&
         present.fOutxDsrFlow == wanted.fOutxDsrFlow && present.fOutX == wanted.fOutX &&
         present.fInX == wanted.fInX && present.fDtrControl == wanted.fDtrControl &&
         present.fRtsControl == wanted.fRtsControl && present.fAbortOnError == wanted.fAbortOnError;
}

void ApplyLineState(CommDriver& driver, HANDLE port, const LineSettings& settings,
                    DWORD inputBufferSize) {
  const DCB wanted = LineState(settings, inputBufferSize);
  for (bool retried = false;; retried = true) {
    if (driver.SetCommState(port, wanted)) return;
    const DWORD refusal = GetLastError();
    DCB present{};
    present.DCBlength = sizeof present;
    if (driver.GetCommState(port, present) && CarriesLine(present, wanted)) return;
    if (retried) ThrowError("SetCommState", refusal);
    driver.Sleep(kRefusedStateRetryMs);
  }
}

}  // namespace tarvolk::platform::win32::serial
