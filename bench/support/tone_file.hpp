#pragma once

#include <filesystem>

namespace quilvo::testing {

// Writes an MP3 of a steady sine tone (MPEG-1 Layer III, 44.1 kHz stereo, 128 kbit/s CBR, no
// tags) made with ffmpeg, loud enough to measure at a sink (RMS about 0.26 of full scale). Throws
// std::runtime_error if ffmpeg fails.
void makeToneMp3(const std::filesystem::path& file, double seconds = 60.0, int frequencyHz = 440);

}  // namespace quilvo::testing
