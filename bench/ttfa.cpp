// Time to first audio of quilvo-cli, gst-launch-1.0 playbin and mpv on one local Icecast
// stream, with burst-on-connect on and then off; dropouts in the first seconds of sound; and
// CPU and memory over a stretch of playing. Everything runs on loopback, into a null sink of
// a private PulseAudio server whose monitor is recorded.
// Usage: ttfa_bench [--runs N] [--play-seconds S] [--quilvo-cli PATH (another build, to compare)]
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "process_usage.hpp"
#include "sink_input_watch.hpp"
#include "support/cli_process.hpp"
#include "support/icecast_server.hpp"
#include "support/pulse_server.hpp"
#include "support/sink_recorder.hpp"
#include "support/temp_dir.hpp"
#include "support/tone_file.hpp"
#include "ttfa_players.hpp"

namespace {

using namespace quilvo::bench;
using namespace std::chrono_literals;
namespace fixtures = quilvo::testing;

// "Non-silent": a 10 ms block above -50 dBFS RMS. The tone is 0.26 RMS at full volume;
// quilvo-cli's first fade-in step (gain 0.8 x 1/9 after 1/30 s of its 0.3 s ramp) gives
// about 0.023, so its first step is counted, as is any other player's first sample.
constexpr double kSoundThreshold = 0.003;
constexpr auto kGapSpan = 100ms;
constexpr auto kGapWindow = 6s;
constexpr auto kSoundTimeout = 20s;
// Icecast's burst queue (64 KB) is full once its source has fed it for about 4 s.
constexpr auto kBurstFill = 6s;
constexpr auto kUsageSampling = 250ms;

constexpr Player kPlayers[] = {Player::quilvoCommand, Player::quilvoStart, Player::gstLaunch,
                               Player::mpv};
constexpr Player kResourcePlayers[] = {Player::quilvoStart, Player::gstLaunch, Player::mpv};

struct Options {
    int runs = 7;
    int playSeconds = 60;
    std::string quilvoCli = QUILVO_CLI;
};

struct RunResult {
    // Seconds after the command.
    std::optional<double> firstSound;
    std::optional<double> streamOpened;
    std::optional<double> connectingLine;
    std::optional<double> playingLine;
    // RMS of the first non-silent block.
    double firstLevel = 0.0;
    // Longest near-silence after sound began, within the gap window, and when it began.
    double longestQuiet = 0.0;
    double quietAt = 0.0;
    // quilvo-cli only: its phase changes, "phase@seconds".
    std::string phases;
};

struct ResourceResult {
    Player player = Player::quilvoStart;
    bool sounded = false;
    double startupCpu = 0.0;
    double cpu = 0.0;
    double rssPeak = 0.0;
    double rssAverage = 0.0;
    double pssAverage = 0.0;
    double longestQuiet = 0.0;
    double seconds = 0.0;
    // Each thread's CPU and context switches within the window (quilvo-cli only).
    std::map<pid_t, ThreadUsage> threads;
};

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::optional<double> secondsAfter(Clock::time_point start, std::optional<Clock::time_point> at) {
    if (!at) {
        return std::nullopt;
    }
    return seconds(*at - start);
}

std::string firstLineOf(const std::vector<std::string>& argv) {
    std::string output;
    fixtures::runCommand(argv, 10s, &output);
    return output.substr(0, output.find('\n'));
}

// The 1, 5 and 15 minute load averages.
std::vector<std::string> loadAverages() {
    std::ifstream in("/proc/loadavg");
    std::vector<std::string> loads(3);
    in >> loads[0] >> loads[1] >> loads[2];
    return loads;
}

std::string loadAverage() {
    const auto loads = loadAverages();
    return loads[0] + " " + loads[1] + " " + loads[2] + " (1/5/15 min) on " +
           std::to_string(std::thread::hardware_concurrency()) + " cores";
}

struct Quiet {
    double seconds = 0.0;
    Clock::time_point from;
};

// Longest run of near-silent 10 ms blocks played after `from` and no later than `to`.
Quiet longestQuiet(const fixtures::SinkRecorder& sink, Clock::time_point from,
                   Clock::time_point to) {
    Quiet longest;
    int quietBlocks = 0;
    for (const auto& level : sink.levels(10ms, from)) {
        if (level.end > to) {
            break;
        }
        quietBlocks = level.rms <= kSoundThreshold ? quietBlocks + 1 : 0;
        if (quietBlocks * 0.010 > longest.seconds) {
            longest.seconds = quietBlocks * 0.010;
            longest.from = level.end - quietBlocks * 10ms;
        }
    }
    return longest;
}

bool isDropout(double quietSeconds) {
    return quietSeconds * 1000 >= static_cast<double>(kGapSpan.count());
}

void waitForQuietSink(const fixtures::SinkRecorder& sink) {
    sink.waitForQuiet(kSoundThreshold, 300ms, Clock::now(), 10s);
}

RunResult measureStart(Player player, const PlayerSetup& setup, const fixtures::SinkRecorder& sink,
                       const SinkInputWatch& streams) {
    waitForQuietSink(sink);
    PlayerRun run(player, setup);
    const auto start = run.commandAt();
    RunResult result;
    const auto sound = sink.waitForSound(kSoundThreshold, start, kSoundTimeout);
    if (sound) {
        std::this_thread::sleep_until(*sound + kGapWindow + 100ms);
        result.firstSound = seconds(*sound - start);
        const auto first = sink.levels(10ms, *sound - 5ms);
        result.firstLevel = first.empty() ? 0.0 : first.front().rms;
        const auto quiet = longestQuiet(sink, *sound, *sound + kGapWindow);
        result.longestQuiet = quiet.seconds;
        result.quietAt = seconds(quiet.from - start);
    }
    char text[48];
    for (const auto& [at, phase] : run.phaseChanges()) {
        std::snprintf(text, sizeof text, " %s@%.3f", phase.c_str(), seconds(at - start));
        result.phases += text;
    }
    result.streamOpened =
        secondsAfter(start, streams.lastOpenedBetween(start, sound.value_or(Clock::now())));
    result.connectingLine = secondsAfter(start, run.phaseAt("connecting"));
    result.playingLine = secondsAfter(start, run.phaseAt("playing"));
    return result;
}

ResourceResult measureResources(Player player, const PlayerSetup& setup,
                                const fixtures::SinkRecorder& sink, int playSeconds) {
    waitForQuietSink(sink);
    PlayerRun run(player, setup);
    ResourceResult result;
    result.player = player;
    const auto sound = sink.waitForSound(kSoundThreshold, run.commandAt(), kSoundTimeout);
    if (!sound) {
        return result;
    }
    result.sounded = true;
    const auto begin = processTreeUsage(run.pid());
    const bool perThread = player == Player::quilvoStart;
    const auto threadsBegin = perThread ? threadUsage(run.pid()) : std::map<pid_t, ThreadUsage>{};
    const auto until = *sound + std::chrono::seconds(playSeconds);
    ProcessUsage last = begin;
    double rssSum = begin.rssMegabytes;
    double pssSum = begin.pssMegabytes;
    int samples = 1;
    result.rssPeak = begin.rssMegabytes;
    while (Clock::now() < until && run.running()) {
        std::this_thread::sleep_for(
            std::min<Clock::duration>(kUsageSampling, until - Clock::now()));
        last = processTreeUsage(run.pid());
        result.rssPeak = std::max(result.rssPeak, last.rssMegabytes);
        rssSum += last.rssMegabytes;
        pssSum += last.pssMegabytes;
        ++samples;
    }
    if (perThread) {
        for (auto [tid, usage] : threadUsage(run.pid())) {
            if (const auto it = threadsBegin.find(tid); it != threadsBegin.end()) {
                usage.cpuSeconds -= it->second.cpuSeconds;
                usage.switches -= it->second.switches;
            }
            result.threads.emplace(tid, usage);
        }
    }
    result.seconds = seconds(std::min(Clock::now(), until) - *sound);
    result.startupCpu = begin.cpuSeconds;
    result.cpu = last.cpuSeconds - begin.cpuSeconds;
    result.rssAverage = rssSum / samples;
    result.pssAverage = pssSum / samples;
    result.longestQuiet = longestQuiet(sink, *sound, until).seconds;
    return result;
}

std::string describe(const RunResult& result) {
    const std::string phases = result.phases.empty() ? "" : "  phases:" + result.phases;
    if (!result.firstSound) {
        return "no sound" + phases;
    }
    char text[96];
    std::snprintf(text, sizeof text, "%.3f s", *result.firstSound);
    std::string line = text;
    if (isDropout(result.longestQuiet)) {
        std::snprintf(text, sizeof text, "  DROPOUT %.2f s from %.2f s", result.longestQuiet,
                      result.quietAt);
        line += text + phases;
    }
    return line;
}

std::vector<double> present(const std::vector<RunResult>& runs,
                            std::optional<double> RunResult::*member) {
    std::vector<double> values;
    for (const auto& run : runs) {
        if (run.*member) {
            values.push_back(*(run.*member));
        }
    }
    std::sort(values.begin(), values.end());
    return values;
}

double median(const std::vector<double>& sorted) {
    const std::size_t n = sorted.size();
    return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

std::string medianText(const std::vector<RunResult>& runs, std::optional<double> RunResult::*member,
                       bool withRange) {
    const auto values = present(runs, member);
    if (values.empty()) {
        return "-";
    }
    char text[96];
    if (withRange) {
        std::snprintf(text, sizeof text, "%.2f [%.2f-%.2f]", median(values), values.front(),
                      values.back());
    } else {
        std::snprintf(text, sizeof text, "%.3f", median(values));
    }
    std::string result = text;
    if (values.size() < runs.size()) {
        result += " (" + std::to_string(runs.size() - values.size()) + " silent)";
    }
    return result;
}

std::string dropoutText(const std::vector<RunResult>& runs) {
    int withGap = 0;
    double longest = 0.0;
    for (const auto& run : runs) {
        if (run.firstSound && isDropout(run.longestQuiet)) {
            ++withGap;
            longest = std::max(longest, run.longestQuiet);
        }
    }
    char text[64];
    if (withGap == 0) {
        std::snprintf(text, sizeof text, "0/%zu", runs.size());
    } else {
        std::snprintf(text, sizeof text, "%d/%zu (%.2f s)", withGap, runs.size(), longest);
    }
    return text;
}

using Results = std::map<bool, std::map<Player, std::vector<RunResult>>>;

void printStartTable(const Results& results, int runs) {
    std::printf(
        "\nTime to first sound, seconds after the command: median [min-max] of %d runs.\n"
        "Dropouts: runs with >= %lld ms of near-silence within %lld s after sound began "
        "(longest).\n",
        runs, static_cast<long long>(kGapSpan.count()),
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::seconds>(kGapWindow).count()));
    std::printf("%-27s | %-19s %-16s | %-19s %-16s\n", "", "burst on", "dropouts", "burst off",
                "dropouts");
    for (const Player player : kPlayers) {
        const auto& on = results.at(true).at(player);
        const auto& off = results.at(false).at(player);
        std::printf("%-27s | %-19s %-16s | %-19s %-16s\n", std::string(playerLabel(player)).c_str(),
                    medianText(on, &RunResult::firstSound, true).c_str(), dropoutText(on).c_str(),
                    medianText(off, &RunResult::firstSound, true).c_str(),
                    dropoutText(off).c_str());
    }
}

void printBreakdown(const Results& results) {
    std::printf(
        "\nWhere the time goes (medians, seconds after the command): opened = the stream that "
        "plays opens\non the sound server; quilvo-cli prints phase \"connecting\", then "
        "\"playing\" (its fade-in from\nvolume 0 starts there); sound = first non-silent "
        "block; 1st RMS = level of that block.\n");
    std::printf("%-27s %-6s %9s %11s %9s %9s %9s\n", "", "burst", "opened", "connecting", "playing",
                "sound", "1st RMS");
    for (const Player player : kPlayers) {
        for (const bool burst : {true, false}) {
            const auto& runs = results.at(burst).at(player);
            std::vector<double> levels;
            for (const auto& run : runs) {
                if (run.firstSound) {
                    levels.push_back(run.firstLevel);
                }
            }
            std::sort(levels.begin(), levels.end());
            std::printf("%-27s %-6s %9s %11s %9s %9s %9.3f\n",
                        std::string(playerLabel(player)).c_str(), burst ? "on" : "off",
                        medianText(runs, &RunResult::streamOpened, false).c_str(),
                        medianText(runs, &RunResult::connectingLine, false).c_str(),
                        medianText(runs, &RunResult::playingLine, false).c_str(),
                        medianText(runs, &RunResult::firstSound, false).c_str(),
                        levels.empty() ? 0.0 : median(levels));
        }
    }
}

void printResources(const std::vector<ResourceResult>& resources, int playSeconds) {
    std::printf(
        "\nResources over %d s of playing (burst on), from the first sound; the process and its "
        "children.\nCPU = utime+stime in the window (clock ticks of 10 ms), also per minute; "
        "start-up = CPU from process\nstart to first sound; RSS and PSS sampled every %lld ms.\n",
        playSeconds, static_cast<long long>(kUsageSampling.count()));
    std::printf("%-27s %7s %9s %7s %9s %9s %9s %9s %9s\n", "", "CPU s", "CPU s/min", "CPU %",
                "start-up", "RSS peak", "RSS avg", "PSS avg", "dropouts");
    for (const auto& r : resources) {
        const std::string label(r.player == Player::quilvoStart ? "quilvo-cli"
                                                                : playerLabel(r.player));
        if (!r.sounded) {
            std::printf("%-27s no sound\n", label.c_str());
            continue;
        }
        char gap[32] = "none";
        if (isDropout(r.longestQuiet)) {
            std::snprintf(gap, sizeof gap, "%.2f s", r.longestQuiet);
        }
        const double perSecond = r.seconds > 0 ? r.cpu / r.seconds : 0.0;
        std::printf("%-27s %7.2f %9.3f %7.2f %9.2f %6.1f MB %6.1f MB %6.1f MB %9s%s\n",
                    label.c_str(), r.cpu, 60 * perSecond, 100 * perSecond, r.startupCpu, r.rssPeak,
                    r.rssAverage, r.pssAverage, gap,
                    r.seconds + 0.5 < playSeconds ? "  (ended early)" : "");
    }
    for (const auto& r : resources) {
        if (r.threads.empty() || r.seconds <= 0) {
            continue;
        }
        std::printf(
            "\nquilvo-cli per thread over the same window: CPU s per minute, wake-ups "
            "(context switches) per second\n");
        for (const auto& [tid, usage] : r.threads) {
            std::printf("  %-7d %-18s %8.3f %8.1f\n", static_cast<int>(tid), usage.name.c_str(),
                        60 * usage.cpuSeconds / r.seconds,
                        static_cast<double>(usage.switches) / r.seconds);
        }
    }
}

int run(const Options& options) {
    std::printf(
        "ttfa_bench: %d runs per player and case (after one warm-up run each), %d s of "
        "playing for resources\n",
        options.runs, options.playSeconds);
    std::printf(
        "non-silent: a 10 ms block at the sink with RMS > %.3f of full scale (-50 dBFS); "
        "the tone is 0.26 RMS\n",
        kSoundThreshold);
    std::printf("players: %s; %s; %s\n", firstLineOf({options.quilvoCli, "--version"}).c_str(),
                firstLineOf({"gst-launch-1.0", "--version"}).c_str(),
                firstLineOf({"mpv", "--version"}).c_str());
    std::printf("load at start: %s\n", loadAverage().c_str());
    std::fflush(stdout);

    fixtures::TempDir dir("quilvo-ttfa");
    const auto mp3 = dir / "tone.mp3";
    fixtures::makeToneMp3(mp3, 120.0);
    fixtures::PulseServer pulse;
    fixtures::SinkRecorder sink(pulse);
    SinkInputWatch streams(pulse);
    PlayerSetup setup{
        options.quilvoCli,
        "",
        dir / "catalogue.json",
        dir.path(),
        {pulse.clientEnv(), "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (dir / "no-bus").string()}};

    Results results;
    std::vector<ResourceResult> resources;
    for (const bool burst : {true, false}) {
        fixtures::IcecastServer::Options icecastOptions;
        icecastOptions.burst = burst;
        fixtures::IcecastServer icecast(mp3, icecastOptions);
        setup.streamUrl = icecast.url();
        fixtures::writeCatalogue(setup.catalogue, {{"bench", icecast.url(), {"calm"}}});
        std::string listing;
        if (fixtures::runCommand({options.quilvoCli, "--check-catalogue", setup.catalogue.string()},
                                 10s, &listing) != 0) {
            throw std::runtime_error("quilvo-cli refuses the bench catalogue:\n" + listing);
        }
        std::this_thread::sleep_for(kBurstFill);
        const char* burstName = burst ? "on" : "off";
        for (const Player player : kPlayers) {
            const auto warm = measureStart(player, setup, sink, streams);
            std::printf("  burst %-3s warm-up  %-27s %s\n", burstName,
                        std::string(playerLabel(player)).c_str(), describe(warm).c_str());
            std::fflush(stdout);
        }
        for (int round = 1; round <= options.runs; ++round) {
            for (const Player player : kPlayers) {
                const auto result = measureStart(player, setup, sink, streams);
                results[burst][player].push_back(result);
                std::printf("  burst %-3s run %d/%d  load %-5s %-27s %s\n", burstName, round,
                            options.runs, loadAverages()[0].c_str(),
                            std::string(playerLabel(player)).c_str(), describe(result).c_str());
                std::fflush(stdout);
            }
        }
        if (burst) {
            for (const Player player : kResourcePlayers) {
                resources.push_back(measureResources(player, setup, sink, options.playSeconds));
                std::printf("  resources %s done\n", std::string(playerLabel(player)).c_str());
                std::fflush(stdout);
            }
        }
    }

    printStartTable(results, options.runs);
    printBreakdown(results);
    printResources(resources, options.playSeconds);
    std::printf("\nload at end: %s\n", loadAverage().c_str());
    return 0;
}

std::optional<int> positiveNumber(const char* text) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 100000) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::optional<int> value = i + 1 < argc ? positiveNumber(argv[i + 1]) : std::nullopt;
        if (arg == "--runs" && value) {
            options.runs = *value;
        } else if (arg == "--play-seconds" && value) {
            options.playSeconds = *value;
        } else if (arg == "--quilvo-cli" && i + 1 < argc) {
            options.quilvoCli = argv[i + 1];
        } else {
            std::fprintf(stderr,
                         "usage: ttfa_bench [--runs N] [--play-seconds S] [--quilvo-cli PATH]\n");
            return arg == "--help" ? 0 : 2;
        }
        ++i;
    }
    // A player that has exited makes a write to its input fail instead of ending the bench.
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
    try {
        return run(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ttfa_bench: %s\n", error.what());
        return 1;
    }
}
