#pragma once
// PComm.dll: the serial-port library BRISAL drives its COM ports through.
// BRISAL binds it by ordinal only; the names below exist for our own code.
//
// Calling convention: every function is __stdcall (callee pops) and takes
// the COM port number (1..255) as its first argument; "\\.\COMn" is opened
// with the Win32 serial API. Results: 0 or a count on success, one of the
// SIO_ codes below on failure.
//
// Tests steer the library with two environment variables, read at every
// call so that a test may change them between calls:
//   PCOMM_TRACE  path of a file: each call appends one line "<ordinal>
//                <port> <arguments...>" (the write and read lines give the
//                length asked for, not the data).
//   PCOMM_FAULTS comma-separated list of "<call>[=<code>]" that make a call
//                fail: open, ioctl, lctrl, flowctrl, errorabort, timeouts, write
//                (default code SIO_WRITETIMEOUT), read, flush and short=<n>
//                (a write takes at most n bytes per call).
//
// Each open port has an output buffer of 4096 bytes: a write queues bytes
// and returns, a thread of the port writes them to the line as flow control
// lets it; closing the port drops what still waits.

#ifdef __cplusplus
extern "C" {
#endif

#define PCOMM_API __stdcall

enum sio_result {
    SIO_OK = 0,
    SIO_BADPORT = -1,      // port number outside 1..255 or port not open
    SIO_OUTCONTROL = -2,   // the port is already open
    SIO_BADPARM = -3,      // an argument outside its range
    SIO_WIN32FAIL = -4,    // a Win32 call failed (or an injected fault)
    SIO_OPENFAIL = -5,     // CreateFile of the port failed
    SIO_WRITETIMEOUT = -12 // the output buffer stayed full for the write time-out
};

// Speed codes of sio_ioctl.
enum sio_baud {
    SIO_B4800 = 10,
    SIO_B7200 = 11,
    SIO_B9600 = 12,
    SIO_B19200 = 13,
    SIO_B38400 = 14,
    SIO_B57600 = 15,
    SIO_B115200 = 16
};

// Ordinal 2. mode: bits 0-1 data bits minus 5, bit 2 two stop bits, bits 3-5
// parity (0 none, 1 odd, 2 even); 3 is 8 data bits, no parity, 1 stop bit.
int PCOMM_API sio_ioctl(int port, int baud, int mode);
// Ordinal 4. Reads up to len bytes: the count (> 0) as soon as any byte is
// there, 0 when none came within the read time-out.
int PCOMM_API sio_read(int port, char* buf, int len);
// Ordinal 6. Queues up to len bytes for output: the count queued, which may
// be short of len when the buffer fills, or SIO_WRITETIMEOUT when it stayed
// full for 5000 ms (the write time-out, fixed).
int PCOMM_API sio_write(int port, const char* buf, int len);
// Ordinal 7. Drops queued bytes: 0 the input queue, 1 the output queue, 2 both.
int PCOMM_API sio_flush(int port, int func);
// Ordinal 9. Bytes queued for output and not yet out; SIO_WIN32FAIL once
// the line failed (a pty pair that ended, an adapter unplugged).
int PCOMM_API sio_oqueue(int port);
// Ordinal 11. Modem lines: bit 0 DTR on, bit 1 RTS on.
int PCOMM_API sio_lctrl(int port, int mode);
// Ordinal 17. Flow control: bit 0 CTS/RTS handshake, bit 1 DSR/DTR
// handshake, bit 2 XON/XOFF on output, bit 3 XON/XOFF on input.
int PCOMM_API sio_flowctrl(int port, int mode);
// Ordinal 19. Closes the port.
int PCOMM_API sio_close(int port);
// Ordinal 20. Opens the port (9600 baud, 8N1, no flow control, read
// time-out 3000 ms until told otherwise).
int PCOMM_API sio_open(int port);
// Ordinal 48. 1: a line error stops reads and writes until the error is
// cleared; 0: errors are only counted.
int PCOMM_API sio_errorabort(int port, int on);
// Ordinal 50. Read time-outs in milliseconds: a read returns 0 bytes after
// read_ms without data. Reads return as soon as any byte is there, so the
// time-out between bytes must be 0.
int PCOMM_API sio_timeouts(int port, int read_ms, int interval_ms);

#ifdef __cplusplus
}
#endif
