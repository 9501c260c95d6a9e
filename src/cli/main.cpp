#include <glib-unix.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>

#include "app/app_runtime.hpp"
#include "app/check_catalogue.hpp"
#include "app/quit_signals.hpp"
#include "catalogue/station_repository.hpp"
#include "cli/json_front_end.hpp"
#include "cli/terminal_front_end.hpp"
#include "quilvo_version.hpp"

namespace {

constexpr std::string_view kUsage =
    "用法: quilvo-cli [选项]\n"
    "按心情播放网络电台。\n"
    "\n"
    "  --catalogue PATH        使用另一个电台配置文件\n"
    "  --check-catalogue PATH  检查电台配置文件并列出将使用的电台\n"
    "  --json                  每次状态变化输出一行 JSON，并从标准输入逐行读取命令：\n"
    "                          mood <bright|calm|energy|sleep>、toggle、next、\n"
    "                          sleep <0-1440 分钟>、quit\n"
    "  --help                  显示此帮助\n"
    "  --version               显示版本\n"
    "\n"
    "按键: 1–4 选择心情，空格 播放/暂停，←/→ 换台，s 定时，q 退出\n";

struct Options {
    std::optional<std::filesystem::path> catalogue;
    std::optional<std::filesystem::path> checkCatalogue;
    bool json = false;
};

// Reads standard input on the main loop and hands bytes, then the end, to `input`. Returns the
// watch, which ends by itself at the end of input.
unsigned readInput(std::function<void(std::string_view)> input, std::function<void()> ended) {
    struct Reader {
        std::function<void(std::string_view)> input;
        std::function<void()> ended;
    };
    return g_unix_fd_add_full(
        G_PRIORITY_DEFAULT, STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
        [](int fd, GIOCondition, void* data) -> gboolean {
            const auto& reader = *static_cast<Reader*>(data);
            char buffer[4096];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                reader.input(std::string_view(buffer, static_cast<std::size_t>(n)));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                reader.ended();
                return G_SOURCE_REMOVE;
            }
            return G_SOURCE_CONTINUE;
        },
        new Reader{std::move(input), std::move(ended)},
        [](void* data) { delete static_cast<Reader*>(data); });
}

int run(const Options& options) {
    // First, before any thread exists, so that every thread leaves these signals to us.
    quilvo::QuitSignals quitSignals;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    auto quit = [loop] { g_main_loop_quit(loop); };

    std::unique_ptr<quilvo::JsonFrontEnd> json;
    quilvo::AppOptions appOptions{options.catalogue, quit, {}};
    if (options.json) {
        appOptions.statRecorded = [&json](const std::string& event) {
            if (json) {
                json->printStat(event);
            }
        };
    }
    quilvo::AppRuntime runtime(std::move(appOptions));
    quitSignals.onQuit(quit);

    std::unique_ptr<quilvo::TerminalFrontEnd> terminal;
    unsigned input = 0;
    if (options.json) {
        json = std::make_unique<quilvo::JsonFrontEnd>(runtime.model(), runtime.loop(), std::cout,
                                                      std::cerr, quit);
        json->start();
        input = readInput([&json](std::string_view bytes) { json->input(bytes); },
                          [&json, &input] {
                              input = 0;
                              json->endOfInput();
                          });
    } else {
        terminal = std::make_unique<quilvo::TerminalFrontEnd>(runtime.model(), runtime.loop(),
                                                              STDIN_FILENO, STDOUT_FILENO, quit);
        terminal->start();
        input = readInput([&terminal](std::string_view bytes) { terminal->input(bytes); },
                          [&input, quit] {
                              input = 0;
                              quit();
                          });
    }
    runtime.start();
    g_main_loop_run(loop);
    if (input != 0) {
        g_source_remove(input);
    }
    runtime.shutdown();
    // Print what the shutdown itself recorded (the listening session).
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    // The front ends unsubscribe from the model when destroyed: before the runtime owning it.
    terminal.reset();
    json.reset();
    g_main_loop_unref(loop);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    quilvo::fallbackStations();
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "quilvo-cli " << quilvo::kAppVersion << '\n';
            return 0;
        }
        if (arg == "--json") {
            options.json = true;
        } else if ((arg == "--catalogue" || arg == "--check-catalogue") && i + 1 < argc) {
            (arg == "--catalogue" ? options.catalogue : options.checkCatalogue) = argv[++i];
        } else {
            std::cerr << "quilvo-cli: " << (arg.starts_with("--") ? "无效选项 " : "多余参数 ")
                      << arg << "\n\n"
                      << kUsage;
            return 2;
        }
    }
    if (options.checkCatalogue) {
        return quilvo::checkCatalogue(*options.checkCatalogue, std::cout, std::cerr);
    }
    return run(options);
}
