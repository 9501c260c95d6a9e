#include "catalogue/station_repository.hpp"

namespace quilvo {

std::optional<std::filesystem::path> shippedCataloguePath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::nullopt;
    }
    return exe.parent_path().parent_path() / "share" / "quilvo" / "stations.json";
}

}  // namespace quilvo
