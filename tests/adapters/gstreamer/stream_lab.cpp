#include "stream_lab.hpp"

#include "support/tone_file.hpp"

// Under the sanitizers: whole allocation stacks, since GLib has no frame pointers and the
// suppressions below name the libraries deep in them.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

// Leaks inside system libraries (see tests/tools/lsan_suppressions.txt).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_dl_init\nleak:libgstsoup.so\nleak:libsoup-2.4.so\nleak:libsoup-3.0.so\n";
}

namespace quilvo::testing {

void StreamLab::SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>("quilvo-gst-test");
    tone_ = dir() / "tone.mp3";
    makeToneMp3(tone_, 40.0);
    pulse_ = std::make_unique<PulseServer>();
    recorder_ = std::make_unique<SinkRecorder>(*pulse_);
    faults_ = std::make_unique<FaultStreamServer>(tone_);
}

void StreamLab::TearDownTestSuite() {
    faults_.reset();
    recorder_.reset();
    pulse_.reset();
    dir_.reset();
}

}  // namespace quilvo::testing
