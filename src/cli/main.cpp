#include <iostream>
#include <string_view>

#include "catalogue/station_repository.hpp"
#include "cli/check_catalogue.hpp"
#include "quilvo_version.hpp"

namespace {

constexpr std::string_view kUsage =
    "用法: quilvo-cli [选项]\n"
    "  --check-catalogue PATH  检查电台配置文件并列出将使用的电台\n"
    "  --help                  显示此帮助\n"
    "  --version               显示版本\n";

}  // namespace

int main(int argc, char** argv) {
    quilvo::fallbackStations();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "quilvo-cli " << quilvo::kAppVersion << '\n';
            return 0;
        }
        if (arg == "--check-catalogue") {
            if (i + 1 >= argc) {
                std::cerr << "quilvo-cli: --check-catalogue 需要一个文件路径\n";
                return 2;
            }
            return quilvo::checkCatalogue(argv[i + 1], std::cout, std::cerr);
        }
        std::cerr << "quilvo-cli: 未知选项 " << arg << '\n' << kUsage;
        return 2;
    }
    std::cout << kUsage;
    return 0;
}
