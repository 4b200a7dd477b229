/* Wine's loader, built as a program of fixed address. Where Wine's own loader
 * is position-independent (Wine 10 on Debian 13), qemu-user's i386 emulation
 * puts it at 0x400000, where every Windows program without relocations must
 * load (ours among them): Wine then fails with status c0000018. Natively the
 * kernel puts it high, so only emulated hosts use this one (scripts/i386.sh).
 * Like Wine's: load ntdll.so and hand it the command line. */
#include <dlfcn.h>
#include <stdio.h>

#ifndef NTDLL
#define NTDLL "/usr/lib/i386-linux-gnu/wine/i386-unix/ntdll.so"
#endif

int main(int argc, char** argv, char** envp) {
  void* ntdll = dlopen(NTDLL, RTLD_NOW);
  void (*wine_main)(int, char**, char**) = 0;
  if (ntdll != 0) *(void**)&wine_main = dlsym(ntdll, "__wine_main");
  if (wine_main == 0) {
    fprintf(stderr, "wine: could not start %s: %s\n", NTDLL, dlerror());
    return 1;
  }
  wine_main(argc, argv, envp);
  return 1;  /* it does not return */
}
