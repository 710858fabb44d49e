// An interrupted save leaves nothing behind: while a save writes its
// temporary file, the file is on a process-wide list, and an interruption
// removes everything on it before the process ends.
#pragma once

namespace trackio {

// Installs the removal for the ways a user or the system interrupts a
// program: SIGINT, SIGTERM and SIGHUP on POSIX systems (a signal the process
// ignores stays ignored), and on Windows Ctrl-C, Ctrl-Break and closing the
// console. After the removal the process ends as the interruption would
// have ended it: by the same signal (a shell shows exit status 128 + the
// signal's number), or on Windows through the next console handler, by
// default the system's. Call once, early in main; calling again does no harm.
void InstallInterruptCleanup();

// Removes the temporary file of every save in progress, at once. Safe inside
// a signal handler (it only unlinks names kept for this), and meant for a
// window that learns by another way that it is about to end (WM_ENDSESSION,
// a session manager): those saves then fail and the files they replace stay
// as they were.
void RemoveTemporaryFiles();

}  // namespace trackio
