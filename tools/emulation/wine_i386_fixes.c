/* tools/emulation/wine_i386_fixes.c: preloaded into 32-bit Wine processes run by qemu-i386, it gives Wine
 * what a real kernel gives and qemu does not. Each fix is built in under its switch only; tools/emulated_wine.py
 * turns on those the installed qemu needs. Measured on qemu 7.2, which needs all three, and 10.0, which needs
 * FIX_TRAP only.
 *
 * FIX_NOREPLACE: mmap with MAP_FIXED_NOREPLACE maps at the hint or fails with EEXIST. qemu 7.2 ignores the
 *   flag and maps elsewhere, so Wine's start-up walks the address space in 65,000 tries instead of a few.
 * FIX_TRAP: a page fault's SIGSEGV carries trap number 14. qemu 7.2 gives -1, which Wine takes for an
 *   unexpected trap, so every fault Wine resolves itself (guard pages, write watches) would kill the process.
 *   qemu 10.0 gives -1 as well: a 32-bit prefix's explorer dies.
 * FIX_THREAD_SEGMENTS: each thread's %fs and %gs selectors name descriptors of its own. qemu 7.2 keeps one
 *   GDT for all threads of a process, so a selector reloaded from it (as when an exception's context is
 *   restored) gets the base of whichever thread set that entry last: another thread's TEB in %fs, another
 *   thread's TLS in %gs. Wine is refused set_thread_area, so it gives each thread's %fs an LDT entry; each
 *   thread's %gs gets an LDT entry here, made when the thread starts, before Wine saves the selector. qemu
 *   10.0 keeps a GDT per thread.
 *
 * Built with gcc -m32; the same source builds an empty library for the x86-64 programs that inherit
 * LD_PRELOAD from an emulated parent. */
#define _GNU_SOURCE
#if defined(__i386__)
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/ucontext.h>
#include <unistd.h>

static inline void *next(const char *name)
{
    return dlsym(RTLD_NEXT, name);
}

#ifdef FIX_NOREPLACE
#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif
typedef void *(*mmap64_fn)(void *, size_t, int, int, int, off64_t);

static void *map(void *addr, size_t length, int prot, int flags, int fd, off64_t offset)
{
    static mmap64_fn real;
    if (!real) real = (mmap64_fn)next("mmap64");
    if (!(flags & MAP_FIXED_NOREPLACE)) return real(addr, length, prot, flags, fd, offset);
    void *result = real(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
    if (result != MAP_FAILED && result != addr) {
        munmap(result, length);
        errno = EEXIST;
        return MAP_FAILED;
    }
    return result;
}

void *mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset)
{
    return map(addr, length, prot, flags, fd, offset);
}

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, off64_t offset)
{
    return map(addr, length, prot, flags, fd, offset);
}
#endif

#ifdef FIX_TRAP
#define PAGE_FAULT_TRAP 14
typedef int (*sigaction_fn)(int, const struct sigaction *, struct sigaction *);

static void (*segv_handler)(int, siginfo_t *, void *);

static void on_segv(int signal, siginfo_t *info, void *context)
{
    greg_t *trap = &((ucontext_t *)context)->uc_mcontext.gregs[REG_TRAPNO];
    if (*trap == -1 && info->si_code > 0) *trap = PAGE_FAULT_TRAP;
    segv_handler(signal, info, context);
}

int sigaction(int signal, const struct sigaction *action, struct sigaction *old)
{
    static sigaction_fn real;
    if (!real) real = (sigaction_fn)next("sigaction");
    if (signal != SIGSEGV || !action || !(action->sa_flags & SA_SIGINFO)) return real(signal, action, old);
    struct sigaction wrapped = *action;
    wrapped.sa_sigaction = on_segv;
    segv_handler = action->sa_sigaction;
    return real(signal, &wrapped, old);
}

#endif

#ifdef FIX_THREAD_SEGMENTS
/* LDT entries for %gs, from the top down; Wine allocates its own from the bottom up. */
#define GS_ENTRY_FIRST 8191
#define GS_ENTRY_LAST 4096
typedef long (*syscall_fn)(long, ...);
typedef int (*pthread_create_fn)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);

/* The system call through libc, with the six arguments that any call may take. */
static long forward(long number, va_list args)
{
    static syscall_fn real;
    if (!real) real = (syscall_fn)next("syscall");
    long a[6];
    for (int i = 0; i < 6; ++i) a[i] = va_arg(args, long);
    return real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

static long real_syscall(long number, ...)
{
    va_list args;
    va_start(args, number);
    long result = forward(number, args);
    va_end(args);
    return result;
}

long syscall(long number, ...)
{
    if (number == SYS_set_thread_area) {
        errno = ENOSYS;
        return -1;
    }
    va_list args;
    va_start(args, number);
    long result = forward(number, args);
    va_end(args);
    return result;
}

static int next_gs_entry = GS_ENTRY_FIRST;
static unsigned short gdt_gs_selector;
static pthread_mutex_t create_lock = PTHREAD_MUTEX_INITIALIZER;

static unsigned int tls_base(void)
{
    unsigned int base;
    __asm__("movl %%gs:0,%0" : "=r"(base)); /* the thread control block points at itself */
    return base;
}

static void load_gs(unsigned short selector)
{
    __asm__ volatile("movw %0,%%gs" : : "r"(selector));
}

/* A flat data descriptor at base: the whole 4 GiB, since glibc reaches TLS at negative offsets. */
static struct user_desc tls_descriptor(int entry, unsigned int base)
{
    struct user_desc desc = {
        .entry_number = entry, .base_addr = base, .limit = 0xfffff, .seg_32bit = 1, .limit_in_pages = 1,
        .useable = 1,
    };
    return desc;
}

/* Moves the calling thread's %gs from the shared GDT entry to an LDT entry of its own, same base. */
static void own_gs(void)
{
    int entry = __atomic_fetch_sub(&next_gs_entry, 1, __ATOMIC_RELAXED);
    if (entry < GS_ENTRY_LAST) return;
    struct user_desc desc = tls_descriptor(entry, tls_base());
    if (real_syscall(SYS_modify_ldt, 1, &desc, sizeof desc) != 0) return;
    load_gs((unsigned short)(entry << 3 | 7)); /* LDT, ring 3 */
}

struct start {
    void *(*routine)(void *);
    void *arg;
    sigset_t mask;
};

static void *start_thread(void *p)
{
    struct start start = *(struct start *)p;
    free(p);
    own_gs();
    pthread_sigmask(SIG_SETMASK, &start.mask, NULL);
    return start.routine(start.arg);
}

/* glibc gives a new thread the GDT entry named by the creator's %gs, and qemu loads the creator's selector
 * into the new thread after writing that entry. So the creator goes back to the GDT entry, written with its
 * own base, while it creates the thread: one creator at a time and no signal, whose return would reload
 * %gs from an entry the new thread has just taken. */
int pthread_create(pthread_t *thread, const pthread_attr_t *attr, void *(*routine)(void *), void *arg)
{
    static pthread_create_fn real;
    if (!real) real = (pthread_create_fn)next("pthread_create");
    unsigned short own;
    __asm__("movw %%gs,%0" : "=r"(own));
    if (own == gdt_gs_selector) return real(thread, attr, routine, arg);
    struct start *start = malloc(sizeof *start);
    if (!start) return EAGAIN;
    start->routine = routine;
    start->arg = arg;
    sigset_t all;
    sigfillset(&all);
    pthread_mutex_lock(&create_lock);
    pthread_sigmask(SIG_SETMASK, &all, &start->mask);
    struct user_desc desc = tls_descriptor(gdt_gs_selector >> 3, tls_base());
    real_syscall(SYS_set_thread_area, &desc);
    load_gs(gdt_gs_selector);
    int error = real(thread, attr, start_thread, start);
    load_gs(own);
    sigset_t mask = start->mask; /* the new thread frees start */
    pthread_sigmask(SIG_SETMASK, &mask, NULL);
    pthread_mutex_unlock(&create_lock);
    if (error) free(start);
    return error;
}

__attribute__((constructor)) static void init(void)
{
    __asm__("movw %%gs,%0" : "=r"(gdt_gs_selector));
    own_gs();
}
#endif
#endif
