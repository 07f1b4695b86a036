/* Preloaded into the 32-bit programs that run through QEMU's i386 user-mode
 * emulation (QEMU_SET_ENV=LD_PRELOAD=...), never into native ones.
 *
 * QEMU leaves the trap number in the i386 signal frame at -1, and Wine's
 * 32-bit fault handlers decide by it: every page fault would then look like an
 * unexpected trap and kill the process. This wraps the handlers installed for
 * the fault signals and, before they run, writes the trap number the kernel
 * would have written, from the signal and its si_code.
 *
 * No headers and no libraries at link time (gcc -m32 -shared -fPIC -nostdlib):
 * the build host has no 32-bit development files; dlsym comes from the 32-bit
 * libc at run time. The layouts below are those of i386 glibc. */

#define SIGILL 4
#define SIGTRAP 5
#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SI_KERNEL 0x80
#define TRAP_TRACE 2
#define FPE_INTDIV 1
#define FPE_INTOVF 2
#define SIGNAL_LIMIT 65

typedef void (*action_fn)(int, void *, void *);

struct i386_sigaction {
    action_fn action;           /* sa_handler and sa_sigaction share it */
    unsigned long mask[32];     /* sigset_t */
    int flags;
    void (*restorer)(void);
};

struct i386_siginfo_head {
    int signo;
    int errno_value;
    int code;
};

/* ucontext: uc_flags, uc_link and the 12-byte uc_stack, then gregs[19]. */
#define GREGS_OFFSET 20
#define REG_TRAPNO 12

extern void *dlsym(void *handle, const char *name);
#define RTLD_NEXT ((void *)-1)

typedef int (*sigaction_fn)(int, const struct i386_sigaction *, struct i386_sigaction *);

static sigaction_fn real_sigaction;
static action_fn wrapped[SIGNAL_LIMIT];

static int trap_number(int signal, int code)
{
    switch (signal) {
    case SIGSEGV: return code == SI_KERNEL ? 13 : 14;  /* protection fault, page fault */
    case SIGBUS:  return code == SI_KERNEL ? 11 : 14;  /* segment not present, page fault */
    case SIGILL:  return 6;                            /* invalid opcode */
    case SIGFPE:  return code == FPE_INTDIV ? 0 : code == FPE_INTOVF ? 4 : 16;
    case SIGTRAP: return code == TRAP_TRACE ? 1 : 3;   /* single step, int3 */
    }
    return -1;
}

static void mend_trapno(int signal, void *info, void *context)
{
    int *trapno = (int *)((char *)context + GREGS_OFFSET) + REG_TRAPNO;
    action_fn handler = wrapped[signal];

    if (*trapno == -1)
        *trapno = trap_number(signal, ((struct i386_siginfo_head *)info)->code);
    if (handler)
        handler(signal, info, context);
}

static int is_fault_signal(int signal)
{
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL ||
           signal == SIGFPE || signal == SIGTRAP;
}

int sigaction(int signal, const struct i386_sigaction *act, struct i386_sigaction *old)
{
    struct i386_sigaction mine;
    action_fn previous;
    int result, i;

    if (!real_sigaction) {
        real_sigaction = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
        if (!real_sigaction)
            return -1;
    }
    if (!is_fault_signal(signal))
        return real_sigaction(signal, act, old);

    previous = wrapped[signal];
    if (act && (act->flags & SA_SIGINFO) && (unsigned long)act->action > 1) {
        mine.action = mend_trapno;
        for (i = 0; i < 32; i++)
            mine.mask[i] = act->mask[i];
        mine.flags = act->flags;
        mine.restorer = act->restorer;
        wrapped[signal] = act->action;
        result = real_sigaction(signal, &mine, old);
        if (result != 0)
            wrapped[signal] = previous;
    } else {
        result = real_sigaction(signal, act, old);
        if (result == 0 && act)
            wrapped[signal] = 0;
    }
    /* The caller sees its own handler, not the wrapper. */
    if (result == 0 && old && old->action == mend_trapno)
        old->action = previous;
    return result;
}
