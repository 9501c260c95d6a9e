#include "support/sink_recorder.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace quilvo::testing {

namespace {

constexpr int kRate = 44100;
constexpr std::size_t kBlockFrames = kRate / 100;
constexpr std::size_t kBytesPerFrame = 4;

double rmsOf(double sumSquares, std::size_t samples) {
    return samples == 0 ? 0.0 : std::sqrt(sumSquares / static_cast<double>(samples));
}

}  // namespace

SinkRecorder::SinkRecorder(const PulseServer& server, const std::string& sink) {
    ChildProcess::Options options;
    options.env = {server.clientEnv()};
    options.onOutput = [this](std::string_view data) { consume(data); };
    parec_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"parec", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                                 "--latency-msec=10", "--device=" + sink + ".monitor"},
        options);
    const bool recording = waitUntil(
        [this] {
            std::lock_guard lock(mutex_);
            return !blocks_.empty();
        },
        std::chrono::seconds(10));
    if (!recording) {
        throw std::runtime_error("parec recorded nothing from " + sink);
    }
}

SinkRecorder::~SinkRecorder() {
    parec_.reset();
}

void SinkRecorder::consume(std::string_view data) {
    const auto arrived = Clock::now();
    std::lock_guard lock(mutex_);
    pending_.append(data);
    const std::size_t frames = pending_.size() / kBytesPerFrame;
    // parec hands over what was played just now: the last frame was played on arrival.
    const auto frameTime = [&](std::size_t frame) {
        return arrived - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                             static_cast<double>(frames - frame) / kRate));
    };
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < 2; ++channel) {
            std::int16_t sample;
            std::memcpy(&sample, pending_.data() + frame * kBytesPerFrame + channel * 2, 2);
            const double value = sample / 32768.0;
            sumSquares_ += value * value;
            ++samples_;
        }
        if (samples_ == kBlockFrames * 2) {
            blocks_.push_back({frameTime(frame + 1), sumSquares_, samples_});
            sumSquares_ = 0.0;
            samples_ = 0;
        }
    }
    pending_.erase(0, frames * kBytesPerFrame);
}

std::vector<SinkRecorder::Block> SinkRecorder::blocksSince(Clock::time_point since) const {
    std::lock_guard lock(mutex_);
    std::vector<Block> result;
    for (const auto& block : blocks_) {
        if (block.end > since) {
            result.push_back(block);
        }
    }
    return result;
}

std::vector<SinkRecorder::Level> SinkRecorder::levels(std::chrono::milliseconds window,
                                                      Clock::time_point since) const {
    const std::size_t perWindow = std::max<std::size_t>(1, window.count() / 10);
    const auto blocks = blocksSince(since);
    std::vector<Level> result;
    for (std::size_t first = 0; first + perWindow <= blocks.size(); first += perWindow) {
        double sum = 0.0;
        std::size_t samples = 0;
        for (std::size_t i = first; i < first + perWindow; ++i) {
            sum += blocks[i].sumSquares;
            samples += blocks[i].samples;
        }
        result.push_back({blocks[first + perWindow - 1].end, rmsOf(sum, samples)});
    }
    return result;
}

double SinkRecorder::levelBetween(Clock::time_point from, Clock::time_point to) const {
    double sum = 0.0;
    std::size_t samples = 0;
    for (const auto& block : blocksSince(from)) {
        if (block.end <= to) {
            sum += block.sumSquares;
            samples += block.samples;
        }
    }
    return rmsOf(sum, samples);
}

std::optional<SinkRecorder::Clock::time_point> SinkRecorder::waitForSound(
    double threshold, Clock::time_point since, std::chrono::milliseconds timeout) const {
    std::optional<Clock::time_point> found;
    waitUntil(
        [&] {
            for (const auto& block : blocksSince(since)) {
                if (rmsOf(block.sumSquares, block.samples) > threshold) {
                    found = block.end;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

std::optional<SinkRecorder::Clock::time_point> SinkRecorder::waitForQuiet(
    double threshold, std::chrono::milliseconds span, Clock::time_point since,
    std::chrono::milliseconds timeout) const {
    std::optional<Clock::time_point> found;
    waitUntil(
        [&] {
            std::optional<Clock::time_point> quietSince;
            for (const auto& block : blocksSince(since)) {
                if (rmsOf(block.sumSquares, block.samples) > threshold) {
                    quietSince.reset();
                    continue;
                }
                if (!quietSince) {
                    quietSince = block.end - std::chrono::milliseconds(10);
                }
                if (block.end - *quietSince >= span) {
                    found = quietSince;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

}  // namespace quilvo::testing
