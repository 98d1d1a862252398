// The ends of the process that come from outside the program.
//
// A signal to end (SIGTERM at a shutdown or on a low battery, SIGHUP when the
// session or the terminal goes, SIGINT from Ctrl+C) no longer ends the
// process at once once it is watched: the program is told on the window
// thread, after every message box, dialog, chooser and popup menu open at
// that moment was closed as its close box (or Esc) closes it and its loop has
// returned. From the signal on the program is ending: nobody is there to
// answer, so every modal call answers at once as closing it, and a message
// box's text goes to the standard error instead of the screen. A second
// signal of the same kind ends the process at once, as it did before.
//
// The toolkit ends the process through exit() when the desktop's connection
// is lost (exit code 1). The exit hook runs then, on the window thread, the
// program ending as above; it does not run on any other thread.
#pragma once

namespace plat {

// Window thread, after StartApplication: SIGTERM, SIGHUP and SIGINT are told
// to `onEnd` (the signal's number), once, on the window thread; one the
// process was started to ignore (nohup) stays ignored. False when they
// cannot be watched (they then act as before).
bool WatchEndSignals(void (*onEnd)(int signal));

// True once a signal asked the end or the exit hook runs (any thread).
bool ProgramEnding();

// What exit() runs on the window thread while it is set; nullptr removes it.
void SetExitHook(void (*hook)());

namespace test {
// The signals' former actions again, nothing ending, no exit hook (ResetWindows).
void StopWatchingEndSignals();
}  // namespace test

}  // namespace plat
