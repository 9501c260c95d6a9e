#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "adapters/pulse/output_device_tracker.hpp"

namespace quilvo::testing {

namespace {

// One answer of the server, as a laptop's PulseAudio or PipeWire gives it: the server's default
// sink, or one sink's information with its active port (absent for a sink without ports).
struct Answer {
    const char* defaultSink = nullptr;
    const char* sink = nullptr;
    std::uint32_t index = 0;
    const char* port = nullptr;
};

constexpr const char* kCard = "alsa_output.pci-0000_00_1f.3.analog-stereo";
constexpr const char* kSpeaker = "analog-output-speaker";
constexpr const char* kHeadphones = "analog-output-headphones";
constexpr const char* kBluetooth = "bluez_output.00_1B_66_A1_B2_C3.1";

// Which answers the tracker took for a change of device (never the first ones).
std::vector<int> changesIn(const std::vector<Answer>& answers) {
    OutputDeviceTracker tracker;
    std::vector<int> changes;
    for (int i = 0; i < static_cast<int>(answers.size()); ++i) {
        const Answer& a = answers[i];
        bool changed = false;
        if (a.defaultSink != nullptr) {
            changed = tracker.defaultSink(a.defaultSink);
        } else {
            pa_sink_port_info port{};
            port.name = const_cast<char*>(a.port);
            pa_sink_info info{};
            info.name = a.sink;
            info.index = a.index;
            info.active_port = a.port != nullptr ? &port : nullptr;
            changed = tracker.sinkInfo(info);
        }
        if (changed) {
            changes.push_back(i);
        }
    }
    return changes;
}

}  // namespace

TEST(OutputDeviceTracker, AnotherSinkOrAnotherPortOfTheDefaultSinkIsAChange) {
    struct Case {
        const char* name;
        std::vector<Answer> answers;
        std::vector<int> changes;
    };
    const Case cases[] = {
        {"headphones in, then out",
         {{kCard},
          {nullptr, kCard, 3, kSpeaker},
          {nullptr, kCard, 3, kHeadphones},
          {nullptr, kCard, 3, kSpeaker}},
         {2, 3}},
        {"the same port again (a volume change)",
         {{kCard}, {nullptr, kCard, 3, kSpeaker}, {nullptr, kCard, 3, kSpeaker}, {kCard}},
         {}},
        {"another sink, then its port",
         {{kCard}, {nullptr, kCard, 3, kSpeaker}, {kBluetooth}, {nullptr, kBluetooth, 7, nullptr}},
         {2}},
        {"a late answer about the sink left",
         {{kCard}, {nullptr, kCard, 3, kSpeaker}, {kBluetooth}, {nullptr, kCard, 3, kHeadphones}},
         {2}},
        {"the server restarted with the same device",
         {{kCard}, {nullptr, kCard, 3, kSpeaker}, {kCard}, {nullptr, kCard, 0, kSpeaker}},
         {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(changesIn(c.answers), c.changes) << c.name;
    }
}

}  // namespace quilvo::testing
