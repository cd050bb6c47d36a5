#include <signal.h>

#include "platform/interrupt.h"

namespace {

std::atomic<int>* interruptFlag = nullptr;

static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void onSignal(int signal)
{
    interruptFlag->store(signal);
}

}  // namespace

void catchInterrupt(std::atomic<int>* flag)
{
    interruptFlag = flag;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or a dropped ssh connection: as the others, not an end without cleanup.
    sigaction(SIGHUP, &action, nullptr);
}
