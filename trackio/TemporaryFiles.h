// The list of temporary files that an interruption removes (see
// Interruption.h), as the replacement code fills it. Inside the track
// library only.
#pragma once

#ifdef _WIN32
#include <string>
#else
#include <signal.h>
#endif

namespace trackio::temporaryfiles {

// While one lives, an interruption waits: held around the creation of a
// temporary file and its entry on the list, and around its move or removal
// and its leaving the list, so that the list never names a file that is not
// there or misses one that is. POSIX: the three signals are blocked in this
// thread; Windows: the console handler's thread waits for a lock.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

#ifndef _WIN32
 private:
  sigset_t previous_;
#endif
};

// Puts a file on the list; returns its place, or -1 when the list is full
// (the save goes on; an interruption then leaves that file behind).
#ifdef _WIN32
int Remember(const std::wstring& path);
#else
int Remember(int folder, const char* name);  // the folder's descriptor must stay open until Forget
#endif
// Takes the file at `place` off the list; -1 does nothing.
void Forget(int place);

}  // namespace trackio::temporaryfiles
