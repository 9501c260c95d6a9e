#pragma once

#include <filesystem>
#include <iosfwd>

namespace quilvo {

// Loads `path` as the application loads its catalogue and lists the stations it would use, one
// per line: id, active|inactive, primary mood, moods joined by ",", URL, separated by tabs.
// Returns 0 when the file was used and 1 when it fell back (the reason goes to `err`).
int checkCatalogue(const std::filesystem::path& path, std::ostream& out, std::ostream& err);

}  // namespace quilvo
