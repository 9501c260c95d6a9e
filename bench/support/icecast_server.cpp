#include "support/icecast_server.hpp"
#include "support/url_text.hpp"

#include <grp.h>
#include <httplib.h>
#include <pwd.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <stdexcept>

namespace quilvo::testing {

namespace {

std::string randomPassword() {
    std::random_device device;
    return "pw" + std::to_string(device()) + std::to_string(device());
}

}  // namespace

IcecastServer::IcecastServer(const std::filesystem::path& mp3) : IcecastServer(mp3, Options{}) {}

IcecastServer::IcecastServer(const std::filesystem::path& mp3, Options options)
    : dir_("quilvo-icecast"), options_(std::move(options)), password_(randomPassword()) {
    // Icecast started as root drops to nobody: it must be able to reach and write its logs.
    const auto logDir = dir_ / "log";
    std::filesystem::create_directory(logDir);
    std::filesystem::permissions(
        dir_.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                         std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                         std::filesystem::perms::others_exec);
    const passwd* nobody = ::getpwnam("nobody");
    const group* nogroup = ::getgrnam("nogroup");
    if (nobody == nullptr || nogroup == nullptr ||
        ::chown(logDir.c_str(), nobody->pw_uid, nogroup->gr_gid) != 0) {
        throw std::runtime_error("cannot hand the Icecast log folder to nobody:nogroup");
    }

    port_ = freeLoopbackPort();
    const auto config = dir_ / "icecast.xml";
    std::ofstream(config) << "<icecast>\n"
                          << "  <limits><clients>100</clients><sources>4</sources>"
                          << (options_.burst ? "" : "<burst-size>0</burst-size>") << "</limits>\n"
                          << "  <authentication><source-password>" << password_
                          << "</source-password><admin-user>admin</admin-user><admin-password>"
                          << password_ << "</admin-password></authentication>\n"
                          << "  <hostname>127.0.0.1</hostname>\n"
                          << "  <listen-socket><port>" << port_
                          << "</port><bind-address>127.0.0.1</bind-address></listen-socket>\n"
                          << "  <paths><basedir>" << dir_.path().string() << "</basedir><logdir>"
                          << logDir.string()
                          << "</logdir><webroot>/usr/share/icecast2/web</webroot>"
                          << "<adminroot>/usr/share/icecast2/admin</adminroot></paths>\n"
                          << "  <logging><accesslog>access.log</accesslog><errorlog>error.log"
                          << "</errorlog><loglevel>2</loglevel></logging>\n"
                          << "  <security><chroot>0</chroot><changeowner><user>nobody</user>"
                          << "<group>nogroup</group></changeowner></security>\n"
                          << "</icecast>\n";
    // Icecast changes its user, which cancels the kill-on-parent-death signal; as a child of
    // the first process of a PID namespace of its own it still dies with the test.
    icecast_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"unshare", "--pid", "--fork", "--kill-child", "--", "sh", "-c",
                                 "icecast2 -c \"$0\" & wait", config.string()});
    const bool listening = waitUntil(
        [this] {
            int status = 0;
            adminGet("/admin/stats", &status);
            return status == 200 || !icecast_->running();
        },
        std::chrono::seconds(15));
    if (!listening || !icecast_->running()) {
        throw std::runtime_error("Icecast did not start (log in " + logDir.string() + ")");
    }

    source_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        "ffmpeg",
        "-hide_banner",
        "-loglevel",
        "error",
        "-nostdin",
        "-re",
        "-stream_loop",
        "-1",
        "-i",
        mp3.string(),
        "-c:a",
        "copy",
        "-content_type",
        "audio/mpeg",
        "-f",
        "mp3",
        "-id3v2_version",
        "0",
        "-write_xing",
        "0",
        "icecast://source:" + password_ + "@127.0.0.1:" + std::to_string(port_) + options_.mount});
    if (!waitUntil([this] { return mountLive() || !source_->running(); },
                   std::chrono::seconds(15)) ||
        !source_->running()) {
        throw std::runtime_error("ffmpeg did not bring the Icecast mount up");
    }
}

IcecastServer::~IcecastServer() {
    source_.reset();
    icecast_.reset();
}

std::string IcecastServer::url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + options_.mount;
}

std::string IcecastServer::adminGet(const std::string& pathAndQuery, int* status) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_basic_auth("admin", password_.c_str());
    client.set_connection_timeout(2);
    client.set_read_timeout(5);
    const auto response = client.Get(pathAndQuery.c_str());
    *status = response ? response->status : 0;
    return response ? response->body : std::string();
}

bool IcecastServer::mountLive() const {
    int status = 0;
    const auto stats = adminGet("/admin/stats", &status);
    return status == 200 && stats.find("mount=\"" + options_.mount + "\"") != std::string::npos;
}

bool IcecastServer::setTitle(const std::string& song) const {
    int status = 0;
    const auto body = adminGet("/admin/metadata?mount=" + percentEncoded(options_.mount) +
                                   "&mode=updinfo&song=" + percentEncoded(song),
                               &status);
    return status == 200 && body.find("<return>1</return>") != std::string::npos;
}

void IcecastServer::stopSource() {
    source_.reset();
}

}  // namespace quilvo::testing
