#include "app/check_catalogue.hpp"

#include <ostream>

#include "app/terminal_text.hpp"
#include "catalogue/station_repository.hpp"

namespace quilvo {

int checkCatalogue(const std::filesystem::path& path, std::ostream& out, std::ostream& err) {
    const StationRepository repository(path);
    for (std::size_t i = 0; i < repository.stations().size(); ++i) {
        const Station station = repository.stations()[i];
        std::string moods;
        for (Mood mood : station.moods) {
            if (!moods.empty()) {
                moods += ',';
            }
            moods += mood.rawValue();
        }
        out << printable(station.id) << '\t' << (station.active ? "active" : "inactive") << '\t'
            << station.primary.rawValue() << '\t' << moods << '\t' << printable(station.urlString)
            << '\n';
    }
    if (repository.loadError()) {
        err << *repository.loadError() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace quilvo
