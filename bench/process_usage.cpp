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

// /proc/<pid>/stat: fields after the command name, which may itself hold spaces and ')'.
bool readStat(pid_t pid, ProcStat& stat) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
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

double rssMegabytes(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
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
        if (ProcStat stat; readStat(pid, stat)) {
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
            usage.rssMegabytes += rssMegabytes(pid);
        }
    }
    return usage;
}

}  // namespace quilvo::bench
