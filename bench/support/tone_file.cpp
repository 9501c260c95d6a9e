#include "support/tone_file.hpp"

#include <stdexcept>
#include <string>

#include "support/child_process.hpp"

namespace quilvo::testing {

void makeToneMp3(const std::filesystem::path& file, double seconds, int frequencyHz) {
    const std::string source = "sine=frequency=" + std::to_string(frequencyHz) +
                               ":sample_rate=44100:duration=" + std::to_string(seconds);
    const auto code = runCommand(
        {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin",       "-y",  "-f",
         "lavfi",  "-i",           source,      "-af",   "volume=3",       "-ac", "2",
         "-c:a",   "libmp3lame",   "-b:a",      "128k",  "-id3v2_version", "0",   "-write_xing",
         "0",      file.string()},
        std::chrono::seconds(60));
    if (code != 0) {
        throw std::runtime_error("ffmpeg could not make the test tone " + file.string());
    }
}

}  // namespace quilvo::testing
