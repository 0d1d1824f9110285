// Windows backend of the serial seam: CreateFileA, GetCommState/SetCommState,
// GetCommTimeouts/SetCommTimeouts, synchronous ReadFile/WriteFile and
// CloseHandle. The read and write time-outs are the port's COMMTIMEOUTS, so a
// read returns with what arrived when they pass.
#include "serial.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

struct serial_port {
  HANDLE handle;
};

serial_status serial_open(const char* name, serial_port** port) {
  if (name == nullptr) return SERIAL_ERR_NAME;
  // The device namespace prefix lets COM10 and above open as well as COM1.
  char path[64];
  if (std::strlen(name) + 5 > sizeof path) return SERIAL_ERR_NAME;
  std::snprintf(path, sizeof path, "\\\\.\\%s", name);
  HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SERIAL_ERR_OPEN;
  // Stale requests from a receiver that has been asking for a while would
  // be taken as the reply to the first block; a failure here is harmless.
  PurgeComm(h, PURGE_RXCLEAR);
  auto* p = static_cast<serial_port*>(std::calloc(1, sizeof(serial_port)));
  if (p == nullptr) {
    CloseHandle(h);
    return SERIAL_ERR_OPEN;
  }
  p->handle = h;
  *port = p;
  return SERIAL_OK;
}

serial_status serial_configure(serial_port* port, const serial_line* line) {
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port->handle, &dcb)) return SERIAL_ERR_GET_CONFIG;
  dcb.BaudRate = line->baud;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  if (!SetCommState(port->handle, &dcb)) return SERIAL_ERR_SET_CONFIG;

  COMMTIMEOUTS timeouts;
  std::memset(&timeouts, 0, sizeof timeouts);
  if (!GetCommTimeouts(port->handle, &timeouts)) return SERIAL_ERR_GET_TIMEOUTS;
  timeouts.ReadIntervalTimeout = line->read_interval_ms;
  timeouts.ReadTotalTimeoutMultiplier = line->read_total_multiplier_ms;
  timeouts.ReadTotalTimeoutConstant = line->read_total_constant_ms;
  timeouts.WriteTotalTimeoutMultiplier = line->write_total_multiplier_ms;
  timeouts.WriteTotalTimeoutConstant = line->write_total_constant_ms;
  if (!SetCommTimeouts(port->handle, &timeouts)) return SERIAL_ERR_SET_TIMEOUTS;
  return SERIAL_OK;
}

int32_t serial_read(serial_port* port, void* buf, uint32_t count) {
  DWORD got = 0;
  if (!ReadFile(port->handle, buf, count, &got, nullptr)) return -1;
  return static_cast<int32_t>(got);
}

int32_t serial_write(serial_port* port, const void* buf, uint32_t count) {
  DWORD put = 0;
  if (!WriteFile(port->handle, buf, count, &put, nullptr)) return -1;
  return static_cast<int32_t>(put);
}

serial_status serial_close(serial_port* port) {
  BOOL ok = CloseHandle(port->handle);
  std::free(port);
  return ok ? SERIAL_OK : SERIAL_ERR_CLOSE;
}
