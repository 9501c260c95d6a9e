#pragma once

#include <sys/types.h>

namespace quilvo::bench {

// What a process and everything it started cost so far, read from /proc.
struct ProcessUsage {
    // utime + stime of every living process of the tree, plus what each has collected from
    // children it has already waited for.
    double cpuSeconds = 0.0;
    // Sum of VmRSS over the living processes of the tree.
    double rssMegabytes = 0.0;
};

// Absent processes count as zero.
ProcessUsage processTreeUsage(pid_t root);

}  // namespace quilvo::bench
