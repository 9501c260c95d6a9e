#include "support/fault_stream_server.hpp"

#include <stdexcept>

namespace quilvo::testing {

FaultStreamServer::FaultStreamServer(const std::filesystem::path& mp3) {
    ChildProcess::Options options;
    options.captureStdout = true;
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{QUILVO_PYTHON3, QUILVO_FAULT_STREAM_SERVER, "--audio",
                                 mp3.string()},
        options);
    const auto line =
        server_->waitForLine([](const std::string& text) { return text.rfind("PORT ", 0) == 0; },
                             std::chrono::seconds(10));
    if (!line) {
        throw std::runtime_error("the fault stream server did not start");
    }
    port_ = static_cast<std::uint16_t>(std::stoi(line->substr(5)));
}

std::string FaultStreamServer::url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::string FaultStreamServer::refusedUrl() {
    return "http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/stream";
}

}  // namespace quilvo::testing
