// Generators that stand in for the consoles and the GPS receiver, so the
// logging screen, the map and the data file can be exercised without serial
// hardware. Built only with the OSTRIMA_SIMULATORS option, and switched on
// only by the simulator program (ostrima-sim): the switches in ReaderThreads
// stay 0 in the delivered program. A generated line or sentence takes the
// road of a received one: the same slots, messages, handlers and records.
#pragma once
#if defined(OSTRIMA_SIMULATORS)
#include <cstdint>

#include "platform/window.h"

// Console simulator i (0..8), started in place of console i's reader while
// ReaderThreads.ConsoleSimulatorRun is 1: a "$PBAR,%4d,%4d" line of random
// readings about every 80 ms, handed over as kMsgConsoleReading + i.
uint32_t ConsoleSimulatorThread1(void*);
uint32_t ConsoleSimulatorThread2(void*);
uint32_t ConsoleSimulatorThread3(void*);
uint32_t ConsoleSimulatorThread4(void*);
uint32_t ConsoleSimulatorThread5(void*);
uint32_t ConsoleSimulatorThread6(void*);
uint32_t ConsoleSimulatorThread7(void*);
uint32_t ConsoleSimulatorThread8(void*);
uint32_t ConsoleSimulatorThread9(void*);
extern const plat::ThreadProc kConsoleSimulatorThreads[9];

// The nine sentences the GPS simulator sends once a second, in this order.
extern const char* const kSimulatedGpsSentences[9];

// The GPS simulator, started in place of the GPS reader while
// ReaderThreads.GpsSimulatorRun is 1: the nine sentences once a second, each
// selected and recorded as the reader does with an accepted sentence (no
// checksum test, no watchdog). Started with &kGpsSimulatorFeedsMonitor as its
// argument it stands in for the GPS monitor's reader instead: each sentence
// is only listed by the monitor (nothing while the monitor is paused).
uint32_t GpsSimulatorThread(void* argument);
extern const int kGpsSimulatorFeedsMonitor;

// Switches the consoles and the GPS to the simulators (the simulator
// program's start).
void UseSimulators();

#endif  // OSTRIMA_SIMULATORS
