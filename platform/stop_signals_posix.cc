// Stop signals on POSIX. The handler is installed once, on the first
// registration, for each stop signal that still has its default action. The
// paths and actions live in fixed arrays, so that the handler needs no memory
// and calls only unlink and the actions themselves.
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include "platform/stop_signals.h"

namespace {

constexpr int kStopSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
constexpr int kSlots = 4;
constexpr int kActions = 4;

struct Slot {
  char path[PATH_MAX];
  volatile sig_atomic_t used;
};

Slot g_slots[kSlots];
void (*volatile g_actions[kActions])();
bool g_installed = false;

void onStopSignal(int signal_number) {
  int saved_errno = errno;
  for (Slot& slot : g_slots)
    if (slot.used) unlink(slot.path);
  for (void (*action)() : g_actions)
    if (action != nullptr) action();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
  errno = saved_errno;
}

void installHandler() {
  if (g_installed) return;
  g_installed = true;
  for (int number : kStopSignals) {
    struct sigaction current;
    if (sigaction(number, nullptr, &current) != 0) continue;
    if (current.sa_handler != SIG_DFL) continue;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int other : kStopSignals) sigaddset(&action.sa_mask, other);
    sigaction(number, &action, nullptr);
  }
}

// Registration changes the arrays with the stop signals held, so that the
// handler never sees a path half written.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t stops;
    sigemptyset(&stops);
    for (int number : kStopSignals) sigaddset(&stops, number);
    sigprocmask(SIG_BLOCK, &stops, &old_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

}  // namespace

void runOnStop(void (*action)()) {
  SignalsHeld held;
  installHandler();
  for (auto& slot : g_actions) {
    if (slot == action) return;
    if (slot == nullptr) {
      slot = action;
      return;
    }
  }
}

void removeOnStop(const std::string& host_path) {
  if (host_path.empty() || host_path.size() >= PATH_MAX) return;
  SignalsHeld held;
  installHandler();
  for (Slot& slot : g_slots) {
    if (slot.used) continue;
    memcpy(slot.path, host_path.c_str(), host_path.size() + 1);
    slot.used = 1;
    return;
  }
}

void keepOnStop(const std::string& host_path) {
  SignalsHeld held;
  for (Slot& slot : g_slots) {
    if (slot.used && host_path == slot.path) {
      slot.used = 0;
      return;
    }
  }
}
