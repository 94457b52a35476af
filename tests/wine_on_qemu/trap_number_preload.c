// Preloaded into Wine's i386 processes when they run under qemu-user. qemu leaves the trap
// number of the i386 signal context at -1, while Wine's fault handler decides from it what
// exception to raise: every page fault would turn into an illegal instruction and a PAGE_GUARD
// page would end the process. This library puts a small handler in front of Wine's handlers for
// the fault signals that fills in the trap number the Linux kernel would have given.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <ucontext.h>

#ifdef __i386__

enum { TrapDivide = 0, TrapDebug = 1, TrapBreakpoint = 3, TrapOverflow = 4, TrapInvalidOpcode = 6,
       TrapGeneralProtection = 13, TrapPageFault = 14, TrapFloatingPoint = 16 };

typedef int (*SigactionFunction)(int, const struct sigaction*, struct sigaction*);

static struct sigaction g_wineActions[_NSIG];

static int isFaultSignal(int signal) {
  return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE ||
         signal == SIGTRAP;
}

static int kernelTrapNumber(int signal, const siginfo_t* info) {
  switch (signal) {
    case SIGSEGV:
      // A fault with an address is a page fault; the kernel reports a protection fault as
      // SI_KERNEL without one.
      return info->si_code == SEGV_MAPERR || info->si_code == SEGV_ACCERR ? TrapPageFault
                                                                          : TrapGeneralProtection;
    case SIGBUS: return TrapPageFault;
    case SIGILL: return TrapInvalidOpcode;
    case SIGFPE:
      if (info->si_code == FPE_INTDIV) return TrapDivide;
      if (info->si_code == FPE_INTOVF) return TrapOverflow;
      return TrapFloatingPoint;
    default: return info->si_code == TRAP_TRACE ? TrapDebug : TrapBreakpoint;
  }
}

static void fillTrapNumber(int signal, siginfo_t* info, void* context) {
  ucontext_t* user = context;
  if (user->uc_mcontext.gregs[REG_TRAPNO] == -1)
    user->uc_mcontext.gregs[REG_TRAPNO] = kernelTrapNumber(signal, info);
  const struct sigaction* wine = &g_wineActions[signal];
  if (wine->sa_flags & SA_SIGINFO)
    wine->sa_sigaction(signal, info, context);
  else if (wine->sa_handler != SIG_DFL && wine->sa_handler != SIG_IGN)
    wine->sa_handler(signal);
}

int sigaction(int signal, const struct sigaction* action, struct sigaction* previous) {
  static SigactionFunction real;
  if (!real) real = (SigactionFunction)dlsym(RTLD_NEXT, "sigaction");
  if (signal <= 0 || signal >= _NSIG || !isFaultSignal(signal)) return real(signal, action, previous);

  struct sigaction before = g_wineActions[signal];
  int result;
  if (action && action->sa_handler != SIG_DFL && action->sa_handler != SIG_IGN) {
    struct sigaction front = *action;
    front.sa_flags |= SA_SIGINFO;
    front.sa_sigaction = fillTrapNumber;
    result = real(signal, &front, previous);
    if (result == 0) g_wineActions[signal] = *action;
  } else {
    result = real(signal, action, previous);
    if (result == 0 && action) g_wineActions[signal] = *action;
  }
  // The caller sees its own handler, not the one in front of it.
  if (result == 0 && previous && previous->sa_sigaction == fillTrapNumber) *previous = before;
  return result;
}

#endif
