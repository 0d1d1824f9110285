// xmodem: the XMODEM-1K sender of the upload tool. It waits for the receiver
// to ask with 'C' (CRC-16) or NAK (checksum), sends the image in numbered
// 1024-byte blocks with up to four attempts each, and ends with EOT.
// The caller owns the image buffer and the open port in port_handle; the
// CRC table is this module's, built once and kept for the run.
// Failure: progress and trouble go to standard output only; the transfer's
// outcome comes back as 0 (acknowledged to the end) or 1, for main to use.
#pragma once
#include <stdint.h>

#include "serial.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
  XMODEM_SOH = 0x01,
  XMODEM_STX = 0x02,
  XMODEM_EOT = 0x04,
  XMODEM_ACK = 0x06,
  XMODEM_NAK = 0x15,
  XMODEM_CAN = 0x18,
  XMODEM_CRC_REQUEST = 'C',
  XMODEM_FILL = 0x16,
  XMODEM_PACKET_SIZE = 1029  // STX, number, complement, 1024 data, 2 CRC bytes
};

extern uint32_t blk_num;        // number of the next block; its low byte goes on the wire
extern uint8_t crc_flag;        // 1 once the receiver asked for CRC mode
extern int32_t crctab_inited;   // 1 once crctab is built
extern uint16_t* crctab;        // CRC-16/XMODEM table, 256 entries, on the heap
extern serial_port* port_handle;  // the open port; the driver owns it

// Handshake, every block, EOT exchange; 0 when all was acknowledged, else 1.
int xmodem_transfer(const uint8_t* buffer, uint32_t length);
// Waits for 'C' or NAK (10,000 one-byte reads at most); 0 on success, 1 on failure.
int xmodem_init(void);
// Completes header and check bytes of the packet whose data stands at
// offset 3, sends it with retries; 0 when acknowledged, 1 otherwise.
int xmodem_send_packet(uint8_t* packet, uint32_t data_length, int verbose);
// Sends EOT until acknowledged (101 attempts at most); 0 on ACK, 1 otherwise.
int xmodem_finish(void);
// Builds crctab on the first call; later calls do nothing.
void xmodem_crc_init(void);
// CRC-16/XMODEM of length bytes.
uint16_t xmodem_do_crc(const uint8_t* data, uint32_t length);
// One platform read / write of count bytes on port_handle; prints the
// failure line when the OS call fails. Return what serial_read/serial_write return.
int32_t xmodem_read_chars(uint8_t* buffer, uint32_t count);
int32_t xmodem_write_chars(const uint8_t* buffer, uint32_t count);

#ifdef __cplusplus
}
#endif
