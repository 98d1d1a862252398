// Serial ports, polled one byte at a time.
//
// Port COMn (n = 1..48) is the device named by the environment variable
// OSTRIMA_COM<n> when it is set and not empty, otherwise /dev/ttyS<n-1>.
//
// A port is opened on one thread (the window thread, or the GPS reader when it
// reopens its port), read by one reader thread, and closed from another thread
// while that reader may be waiting in a read. Handles are never file
// descriptors: a closed handle stays invalid for good (a later open gets a new
// value), and the descriptor behind it is released only when no read, write or
// purge is using it, so a reader can never touch a descriptor that was reused.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plat {

using SerialHandle = int32_t;
constexpr SerialHandle kInvalidSerial = -1;
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 48;

// Why an open failed; the caller picks its message from it.
enum class SerialOpenError : int32_t {
    None = 0,             // the port is open and configured
    Missing = 1,          // no such device (or no hardware behind it, or a port number outside 1..48)
    Busy = 2,             // already open here or in another program
    NoAccess = 3,         // the device exists but this user may not open it
    SettingsRefused = 4,  // not a serial device, or it refused the line settings; nothing is left open
    Failed = 5,           // anything else (out of descriptors or handles)
};

struct SerialOpenResult {
    SerialHandle Handle = kInvalidSerial;   // kInvalidSerial unless Error is None
    SerialOpenError Error = SerialOpenError::Missing;
};

// Line settings; a zero field keeps what the port had before it was opened.
struct SerialLineSettings {
    int32_t BaudRate = 0;       // bits per second: 4800, 9600, 19200, 38400, 57600, 115200; 0 keeps
    int32_t DataBits = 0;       // 7 or 8; 0 keeps
    char Parity = 0;            // 'N' none, 'E' even, 'O' odd; 0 keeps
    int32_t StopBits = 0;       // 1 or 2; 0 keeps
    bool XonXoff = false;       // software flow control in both directions
};

// A console: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
SerialLineSettings ConsoleLineSettings();

// The GPS port from the setup indices: baud 0..5 = 4800, 9600, 19200, 38400,
// 57600, 115200; data bits 0 seven, 1 eight; parity 0 none, 1 even, 2 odd;
// stop bits 0 one, 1 two. An index outside its range keeps the port's value.
// XON/XOFF in both directions.
SerialLineSettings GpsLineSettings(int baudIndex, int dataBitsIndex, int parityIndex, int stopBitsIndex);

// Opens COM<port> for exclusive use in raw mode with `settings`, without
// hardware flow control and with DTR and RTS dropped where the device allows.
// Every failure leaves nothing open.
SerialOpenResult OpenSerialPort(int port, const SerialLineSettings& settings);

// The device path that COM<port> stands for ("" for a port outside 1..48);
// false when it does not fit `capacity`.
bool SerialDevicePath(int port, char* out, size_t capacity);

// Waits up to 10 ms for one byte (bytes that arrived together are read in one
// system call and handed out one per call). Returns 1 with the byte in *out, 0 when
// nothing arrived in time, -1 when the handle is not open (closed, closing,
// never opened) or the device failed or hung up. A -1 always takes the rest of
// the 10 ms, so a loop over a broken port does not spin.
int ReadSerialByte(SerialHandle h, uint8_t* out);

// The same read with the wait for a byte given: up to `waitMs` (0: only what
// has arrived). A close still ends the wait at once, and a -1 still takes at
// least 10 ms from the call. For a reader whose only reason to stop is its
// port being closed: a quiet port then costs no wake-up every 10 ms.
int ReadSerialByteWithin(SerialHandle h, uint8_t* out, int waitMs);

// Writes `n` bytes, waiting for room at most 1000 ms in all. Returns the bytes
// that went out (less than n when time ran out or the port failed or closed),
// -1 when the handle is not open.
int WriteSerialPort(SerialHandle h, const void* data, int n);

// Drops whatever waits in the input and output buffers. False when the handle
// is not open.
bool PurgeSerialPort(SerialHandle h);

// Closes the port. Safe while another thread waits in ReadSerialByte or
// WriteSerialPort on it: they return -1 (or what was written) at once and the
// descriptor is released after they have left. True when this call closed it;
// false for a handle that is not open (already closed, or being closed by
// another thread).
bool CloseSerialPort(SerialHandle h);

namespace test {
int OpenSerialPortCount();   // ports open or being closed, for leak checks
}  // namespace test

}  // namespace plat
