#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

#include "app/app_runtime.hpp"
#include "app/check_catalogue.hpp"
#include "app/quit_signals.hpp"
#include "catalogue/station_repository.hpp"
#include "quilvo_version.hpp"
#include "ui/app_font.hpp"
#include "ui/app_shell.hpp"
#include "ui/popup_panel.hpp"
#include "ui/reduce_motion.hpp"
#include "ui/single_instance.hpp"

namespace {

constexpr std::string_view kUsage =
    "用法: quilvo [选项]\n"
    "  --catalogue PATH        使用另一个电台配置文件\n"
    "  --check-catalogue PATH  检查电台配置文件并列出将使用的电台\n"
    "  --help                  显示此帮助\n"
    "  --version               显示版本\n";

// Options that print and exit; they need no display. Returns the exit code when one was given.
std::optional<int> runPrintingOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "quilvo " << quilvo::kAppVersion << '\n';
            return 0;
        }
        if (arg == "--check-catalogue") {
            if (i + 1 >= argc) {
                std::cerr << "quilvo: --check-catalogue 需要一个文件路径\n";
                return 2;
            }
            return quilvo::checkCatalogue(argv[i + 1], std::cout, std::cerr);
        }
    }
    return std::nullopt;
}

constexpr std::string_view kNoDisplay =
    "quilvo: 无法打开图形显示。请在桌面会话中运行，或使用 quilvo-cli。\n";

QtMessageHandler qtMessages = nullptr;

// Qt aborts when no platform plugin can open the display (a DISPLAY with no server behind it):
// at start-up that is a missing display, said as for none at all, not a crash.
void exitWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::cerr << kNoDisplay;
        std::_Exit(1);
    }
    if (!std::string_view(context.category ? context.category : "").starts_with("qt.qpa")) {
        qtMessages(type, context, text);
    }
}

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

struct Options {
    std::optional<std::filesystem::path> catalogue;
    bool valid = true;
};

// Reads what is left once Qt has taken its own options.
Options parseOptions(const QStringList& arguments) {
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QStringLiteral("--catalogue") && i + 1 < arguments.size()) {
            options.catalogue = std::filesystem::path(arguments[++i].toStdString());
            continue;
        }
        if (arg == QStringLiteral("--catalogue")) {
            std::cerr << "quilvo: --catalogue 需要一个文件路径\n";
        } else {
            std::cerr << "quilvo: 未知选项 " << arg.toStdString() << '\n' << kUsage;
        }
        options.valid = false;
        return options;
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    quilvo::fallbackStations();
    if (const auto code = runPrintingOption(argc, argv)) {
        return *code;
    }
    if (!hasDisplay()) {
        std::cerr << kNoDisplay;
        return 1;
    }
    // Before any thread starts, so every thread leaves these signals to the main loop.
    quilvo::QuitSignals quitSignals;
    // On X11 the tray icon is a 22-pixel window redrawn fifteen times a second while playing.
    // Through shared memory each frame costs a round trip and a completion event, two more
    // wake-ups than sending its 2 KB; the panel and About window redraw too seldom to gain.
    setenv("QT_XCB_NO_MITSHM", "1", 0);
    // The player's loop is GLib's default context, which only Qt's GLib dispatcher runs.
    unsetenv("QT_NO_GLIB");

    qtMessages = qInstallMessageHandler(exitWithoutDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessages);
    QApplication::setApplicationName(QStringLiteral("quilvo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quilvo"));
    QApplication::setApplicationVersion(QString::fromLatin1(quilvo::kAppVersion));
    QApplication::setDesktopFileName(QStringLiteral("app.quilvo.Quilvo"));
    const Options options = parseOptions(QApplication::arguments());
    if (!options.valid) {
        return 2;
    }
    // Before the icon, the player or the media-control name exist, so that a second launch
    // shows nothing of its own.
    quilvo::ui::SingleInstance instance;
    switch (instance.claim()) {
        case quilvo::ui::SingleInstance::Role::activatedOther:
            return 0;
        case quilvo::ui::SingleInstance::Role::otherSilent:
            std::cerr << "quilvo: 已在运行的 Quilvo 没有响应\n";
            return 1;
        case quilvo::ui::SingleInstance::Role::first:
        case quilvo::ui::SingleInstance::Role::alone:
            break;
    }
    quilvo::ui::applyApplicationFont(app);
    // An icon theme may restyle the application's icon; the build tree has only its own copy.
    // Only that copy's PNGs are read, by Qt's own reader: reading the SVG, or letting Qt find a
    // reader, loads its image and icon plugins, about 1 MB of memory.
    QIcon windowIcon = QIcon::fromTheme(QStringLiteral("app.quilvo.Quilvo"));
    if (windowIcon.isNull()) {
        for (QDirIterator it(QStringLiteral(":/window-icon"), QDir::Files,
                             QDirIterator::Subdirectories);
             it.hasNext();) {
            QImageReader png(it.next(), "png");
            png.setAutoDetectImageFormat(false);
            windowIcon.addPixmap(QPixmap::fromImage(png.read()));
        }
    }
    QApplication::setWindowIcon(windowIcon);

    quilvo::AppRuntime runtime(
        quilvo::AppOptions{options.catalogue, [] { QCoreApplication::quit(); }, {}});
    quilvo::ui::ReduceMotion reduceMotion;
    reduceMotion.followDesktopSetting();
    quilvo::ui::AppShell shell(
        quilvo::ui::ShellContext{runtime.model(), runtime.loop(), runtime.notifications(),
                                 runtime.listenerVolume(), [&runtime] { runtime.start(); },
                                 [&runtime] { runtime.shutdown(); }},
        reduceMotion);
    quitSignals.onQuit([&shell] { shell.quitApp(); });
    instance.onActivate([&shell] { shell.openPanel(); });
    shell.start();
    return QApplication::exec();
}
