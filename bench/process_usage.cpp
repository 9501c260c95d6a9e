#include "process_usage.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quilvo::bench {

namespace {

struct ProcStat {
    pid_t parent = 0;
    double cpuSeconds = 0.0;
};

// /proc/<pid>/stat (or a thread's): fields after the command name, which may itself hold spaces
// and ')'.
bool readStat(const std::string& path, ProcStat& stat) {
    std::ifstream in(path);
    std::string text;
    if (!std::getline(in, text)) {
        return false;
    }
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return false;
    }
    std::istringstream fields(text.substr(close + 2));
    std::vector<std::string> values;
    for (std::string field; fields >> field && values.size() < 15;) {
        values.push_back(field);
    }
    if (values.size() < 15) {
        return false;
    }
    // values[0] is field 3 (state): ppid is field 4, utime..cstime are fields 14..17.
    static const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    stat.parent = static_cast<pid_t>(std::stol(values[1]));
    double clockTicks = 0.0;
    for (int field = 14; field <= 17; ++field) {
        clockTicks += std::stod(values[static_cast<std::size_t>(field - 3)]);
    }
    stat.cpuSeconds = clockTicks / ticks;
    return true;
}

// The sum of the values of the lines starting with `key` (kB, or plain counts) in `path`.
double fieldSum(const std::string& path, const std::string& key) {
    std::ifstream in(path);
    double sum = 0.0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) == 0) {
            sum += std::stod(line.substr(key.size()));
        }
    }
    return sum;
}

}  // namespace

ProcessUsage processTreeUsage(pid_t root) {
    std::map<pid_t, ProcStat> all;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const auto pid = static_cast<pid_t>(std::stol(name));
        if (ProcStat stat; readStat("/proc/" + name + "/stat", stat)) {
            all.emplace(pid, stat);
        }
    }
    ProcessUsage usage;
    for (const auto& [pid, stat] : all) {
        // Walk up the parents: the process belongs to the tree if `root` is among them.
        bool inTree = false;
        for (pid_t p = pid; p > 1;) {
            if (p == root) {
                inTree = true;
                break;
            }
            const auto it = all.find(p);
            if (it == all.end()) {
                break;
            }
            p = it->second.parent;
        }
        if (inTree) {
            usage.cpuSeconds += stat.cpuSeconds;
            const std::string dir = "/proc/" + std::to_string(pid);
            usage.rssMegabytes += fieldSum(dir + "/status", "VmRSS:") / 1024.0;
            usage.pssMegabytes += fieldSum(dir + "/smaps_rollup", "Pss:") / 1024.0;
        }
    }
    return usage;
}

std::map<pid_t, ThreadUsage> threadUsage(pid_t pid) {
    std::map<pid_t, ThreadUsage> threads;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        const std::string dir = entry.path().string();
        ProcStat stat;
        std::ifstream comm(dir + "/comm");
        ThreadUsage usage;
        if (!std::getline(comm, usage.name) || !readStat(dir + "/stat", stat)) {
            continue;
        }
        usage.cpuSeconds = stat.cpuSeconds;
        usage.switches =
            static_cast<long long>(fieldSum(dir + "/status", "voluntary_ctxt_switches:") +
                                   fieldSum(dir + "/status", "nonvoluntary_ctxt_switches:"));
        threads.emplace(static_cast<pid_t>(std::stol(entry.path().filename().string())), usage);
    }
    return threads;
}

}  // namespace quilvo::bench
