#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace quilvo::testing {

// A private directory removed with everything in it when the test ends.
class TempDir {
  public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "quilvo-test-XXXXXX").string();
        path_ = ::mkdtemp(name.data()) ? name : std::string();
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace quilvo::testing
