#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "adapters/gstreamer/gst_audio_player_factory.hpp"
#include "support/fault_stream_server.hpp"
#include "support/pulse_server.hpp"
#include "support/sink_recorder.hpp"
#include "support/temp_dir.hpp"

namespace quilvo::testing {

// A private sound server with a recorder on its default sink, a test tone and the fault
// stream server, shared by the tests of one process.
class StreamLab : public ::testing::Test {
  public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

  protected:
    void SetUp() override { ASSERT_TRUE(faults_) << "the stream lab did not start"; }

    // Audible: well above the silence of a null sink, well below the tone's level.
    static constexpr double kSound = 0.02;

    static TempDir& dir() { return *dir_; }
    static PulseServer& pulse() { return *pulse_; }
    static SinkRecorder& recorder() { return *recorder_; }
    static FaultStreamServer& faults() { return *faults_; }
    static const std::filesystem::path& tone() { return tone_; }

    GstAudioPlayerFactory factory;

  private:
    static inline std::unique_ptr<TempDir> dir_;
    static inline std::unique_ptr<PulseServer> pulse_;
    static inline std::unique_ptr<SinkRecorder> recorder_;
    static inline std::unique_ptr<FaultStreamServer> faults_;
    static inline std::filesystem::path tone_;
};

}  // namespace quilvo::testing
