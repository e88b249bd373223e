// A child for tst_coredumps: allows core files as far as the hard limit lets
// it, turns them off as the programs do at start (unless told to keep them),
// reports what the kernel then holds and crashes with SIGSEGV.
#include "platform/CoreDumps.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/prctl.h>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    rlimit limit {};
    ::getrlimit(RLIMIT_CORE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_CORE, &limit);
    if (argc < 2 || std::strcmp(argv[1], "--keep-cores") != 0)
        DisableCoreDumps();
    ::getrlimit(RLIMIT_CORE, &limit);
    std::printf("dumpable=%d core=%llu\n", ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0),
        static_cast<unsigned long long>(limit.rlim_cur));
    std::fflush(stdout);
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
    return 0;
}
