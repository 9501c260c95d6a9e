#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quilvo {

// What a URL answered: its final URL after redirects, its Content-Type and its whole body.
struct FetchedPage {
    std::string url;
    std::string contentType;
    std::string body;
};

// One GET of what may be a playlist, on a thread of its own that all fetches share and that
// lives as long as the process. Bounded in size and time, cancelled when the owner drops it.
class PlaylistFetch {
  public:
    // At most this long, redirects included: what is left of the connect timeout must still
    // open a mirror.
    static constexpr std::chrono::milliseconds kTimeLimit{4000};

    // `done` runs once on the fetch thread, with nothing when the request failed, did not
    // answer 2xx, answered more than kPlaylistMaxBytes or took longer than kTimeLimit, or when
    // the fetch was dropped.
    static std::shared_ptr<PlaylistFetch> start(
        const std::string& url, std::function<void(std::optional<FetchedPage>)> done);

    PlaylistFetch(const PlaylistFetch&) = delete;
    PlaylistFetch& operator=(const PlaylistFetch&) = delete;
    ~PlaylistFetch();

  private:
    PlaylistFetch() = default;
    void* cancellable_ = nullptr;
};

}  // namespace quilvo
