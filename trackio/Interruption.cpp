// The process-wide list of temporary files and its removal on interruption.
//
// POSIX: the list is a fixed array of slots, each a state word, a folder
// descriptor and a name, so that a signal handler can walk it with nothing
// but atomic loads and unlinkat(), both safe there. Windows: the console
// handler runs on a thread of its own, so an ordinary lock will do.
#include "trackio/Interruption.h"

#include <atomic>
#include <cstring>

#include "trackio/TemporaryFiles.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace trackio {

namespace {

// Saves in progress at once; one is the usual number.
constexpr int kPlaces = 16;

#ifdef _WIN32

SRWLOCK listLock = SRWLOCK_INIT;
std::wstring places[kPlaces];  // empty: free

BOOL WINAPI RemoveOnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    RemoveTemporaryFiles();
  }
  return FALSE;  // the next handler (by default the system's) ends the process as it would have
}

#else

enum PlaceState : int { kFree, kFilling, kInUse };

struct Place {
  std::atomic<int> state{kFree};
  int folder = -1;
  char name[256] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the list");

Place places[kPlaces];

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveAndEnd(int signal) {
  RemoveTemporaryFiles();
  // SA_RESETHAND has put back the default action and SA_NODEFER lets the
  // signal through at once: the process ends as the signal would end it.
  ::raise(signal);
}

#endif

}  // namespace

#ifdef _WIN32

namespace temporaryfiles {

InterruptionsHeld::InterruptionsHeld() { AcquireSRWLockExclusive(&listLock); }
InterruptionsHeld::~InterruptionsHeld() { ReleaseSRWLockExclusive(&listLock); }

// Called with the lock held (an InterruptionsHeld around the call).
int Remember(const std::wstring& path) {
  for (int place = 0; place < kPlaces; ++place) {
    if (places[place].empty()) {
      places[place] = path;
      return place;
    }
  }
  return -1;
}

void Forget(int place) {
  if (place >= 0) places[place].clear();
}

}  // namespace temporaryfiles

void RemoveTemporaryFiles() {
  AcquireSRWLockExclusive(&listLock);
  // The saving thread opened each file with FILE_SHARE_DELETE: it goes as
  // soon as that thread closes it or the process ends.
  for (std::wstring& path : places) {
    if (!path.empty()) DeleteFileW(path.c_str());
    path.clear();
  }
  ReleaseSRWLockExclusive(&listLock);
}

void InstallInterruptCleanup() {
  static const bool installed = SetConsoleCtrlHandler(RemoveOnConsoleEvent, TRUE) != 0;
  (void)installed;
}

#else

namespace temporaryfiles {

InterruptionsHeld::InterruptionsHeld() {
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : kInterruptions) sigaddset(&held, signal);
  pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

InterruptionsHeld::~InterruptionsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

int Remember(int folder, const char* name) {
  const size_t length = std::strlen(name);
  if (length >= sizeof Place::name) return -1;
  for (int at = 0; at < kPlaces; ++at) {
    Place& place = places[at];
    int expected = kFree;
    if (!place.state.compare_exchange_strong(expected, kFilling)) continue;
    place.folder = folder;
    std::memcpy(place.name, name, length + 1);
    place.state.store(kInUse);
    return at;
  }
  return -1;
}

void Forget(int place) {
  if (place >= 0) places[place].state.store(kFree);
}

}  // namespace temporaryfiles

void RemoveTemporaryFiles() {
  for (Place& place : places) {
    int expected = kInUse;
    if (place.state.compare_exchange_strong(expected, kFilling)) {
      ::unlinkat(place.folder, place.name, 0);
      place.state.store(kFree);
    }
  }
}

void InstallInterruptCleanup() {
  for (const int signal : kInterruptions) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0) continue;
    // A signal the process ignores (nohup, a background job) or handles
    // itself is left as it is.
    const bool ours = (current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == RemoveAndEnd;
    if (!ours && ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL)) continue;
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int other : kInterruptions) {
      if (other != signal) sigaddset(&action.sa_mask, other);  // SA_NODEFER lets only this one through
    }
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    ::sigaction(signal, &action, nullptr);
  }
}

#endif

}  // namespace trackio
