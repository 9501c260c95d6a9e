#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace quilvo::bench {

// What a process and everything it started cost so far, read from /proc.
struct ProcessUsage {
    // utime + stime of every living process of the tree, plus what each has collected from
    // children it has already waited for.
    double cpuSeconds = 0.0;
    // Sum of VmRSS over the living processes of the tree.
    double rssMegabytes = 0.0;
    // Sum of the proportional set sizes: shared pages split among the processes mapping them.
    double pssMegabytes = 0.0;
};

// One thread's name, CPU (utime + stime) and context switches (voluntary and not) so far.
struct ThreadUsage {
    std::string name;
    double cpuSeconds = 0.0;
    long long switches = 0;
};

// Absent processes count as zero.
ProcessUsage processTreeUsage(pid_t root);

// Every living thread of process `pid`, by thread id.
std::map<pid_t, ThreadUsage> threadUsage(pid_t pid);

}  // namespace quilvo::bench
