// serial: the upload tool's one seam to the operating system's serial port:
// open a port by name, set its line and time-outs, read and write with those
// time-outs, close. One backend per OS (serial-posix.cpp, serial-win32.cpp).
// The caller owns every data buffer; the port record belongs to the backend
// from serial_open until serial_close, which releases it in every case.
// Failure: a serial_status (open, configure, close) or -1 (read, write); OS
// error codes are turned into these here and go no further.
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct serial_port serial_port;

typedef enum serial_status {
  SERIAL_OK = 0,
  SERIAL_ERR_NAME,          // the name maps to no device on this OS
  SERIAL_ERR_OPEN,          // the device could not be opened as a terminal
  SERIAL_ERR_GET_CONFIG,    // line settings could not be read
  SERIAL_ERR_SET_CONFIG,    // line settings could not be written (or did not stick)
  SERIAL_ERR_GET_TIMEOUTS,  // time-outs could not be read
  SERIAL_ERR_SET_TIMEOUTS,  // time-outs could not be written
  SERIAL_ERR_CLOSE          // the OS reported a failure when closing
} serial_status;

// Line settings: always 8 data bits, no parity, one stop bit; the speed and
// time-outs are the caller's. Windows keeps every other setting of the port
// as it was read (flow control included); the POSIX backend sets the line
// raw, without flow control. A read of n bytes waits
// at most read_total_multiplier_ms * n + read_total_constant_ms, a write of n
// bytes likewise with the write values.
typedef struct serial_line {
  uint32_t baud;
  uint32_t read_interval_ms;
  uint32_t read_total_multiplier_ms;
  uint32_t read_total_constant_ms;
  uint32_t write_total_multiplier_ms;
  uint32_t write_total_constant_ms;
} serial_line;

// Opens the named port for reading and writing, unshared, and discards any
// input already waiting. On success *port is the new record.
serial_status serial_open(const char* name, serial_port** port);
// Reads the current settings, applies `line` over them, writes them back.
serial_status serial_configure(serial_port* port, const serial_line* line);
// Reads up to count bytes; returns how many arrived before the time-out
// (0 when none), or -1 when the OS call failed.
int32_t serial_read(serial_port* port, void* buf, uint32_t count);
// Writes count bytes; returns how many went out before the time-out, or -1
// when the OS call failed.
int32_t serial_write(serial_port* port, const void* buf, uint32_t count);
// Closes the port and releases the record.
serial_status serial_close(serial_port* port);

#ifdef __cplusplus
}
#endif
