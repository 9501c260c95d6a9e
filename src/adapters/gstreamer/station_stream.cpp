#include "adapters/gstreamer/station_stream.hpp"

#include <algorithm>

#include "adapters/gstreamer/pipeline_worker.hpp"
#include "adapters/gstreamer/playlist.hpp"

namespace quilvo {

std::optional<MirrorMemory::Mirrors> MirrorMemory::find(const std::string& station) const {
    std::lock_guard lock(mutex_);
    if (auto found = mirrors_.find(station); found != mirrors_.end()) {
        return found->second;
    }
    return std::nullopt;
}

void MirrorMemory::played(const std::string& station, Mirrors mirrors) {
    std::lock_guard lock(mutex_);
    mirrors_[station] = std::move(mirrors);
}

void MirrorMemory::forget(const std::string& station) {
    std::lock_guard lock(mutex_);
    mirrors_.erase(station);
}

std::shared_ptr<StationStream> StationStream::create(const std::string& url,
                                                     std::shared_ptr<MirrorMemory> memory) {
    std::shared_ptr<StationStream> self(new StationStream());
    self->memory_ = std::move(memory);
    self->station_ = url;
    if (auto known = self->memory_->find(url)) {
        // The mirror that played first, then the others in their order, and last the station's
        // URL itself, read afresh: its playlist may have changed since.
        self->candidates_.push_back({known->last, 2});
        for (const std::string& entry : known->entries) {
            if (entry != known->last) {
                self->candidates_.push_back({entry, 1});
            }
        }
        self->candidates_.push_back({url, 0});
        self->mirrors_ = std::move(known->entries);
    } else {
        self->candidates_.push_back({url, 0});
    }
    self->startFront();
    return self;
}

void StationStream::startFront() {
    std::lock_guard command(commandMutex_);
    std::optional<Candidate> next;
    float volume = 1.0f;
    {
        std::lock_guard lock(mutex_);
        if (released_) {
            return;
        }
        if (!candidates_.empty()) {
            next = candidates_.front();
        } else {
            item_ = ItemStatus::failed;
        }
        volume = volume_;
    }
    if (!next) {
        memory_->forget(station_);
        itemObservers_.notify();
        return;
    }
    auto pipeline = StreamPipeline::create(next->url);
    const std::weak_ptr<StationStream> weak = weak_from_this();
    std::vector<std::unique_ptr<Observation>> watches;
    watches.push_back(
        pipeline->itemObservers().add([weak, settled = std::weak_ptr<StreamPipeline>(pipeline)] {
            PipelineWorker::instance().post([weak, settled] {
                auto self = weak.lock();
                if (auto pipeline = settled.lock(); self && pipeline) {
                    self->pipelineSettled(pipeline);
                }
            });
        }));
    auto forward = [weak, raw = pipeline.get()](ObserverList StationStream::*list) {
        return [weak, raw, list] {
            if (auto self = weak.lock(); self && self->isCurrent(raw)) {
                ((*self).*list).notify();
            }
        };
    };
    watches.push_back(
        pipeline->metadataObservers().add(forward(&StationStream::metadataObservers_)));
    watches.push_back(pipeline->controlObservers().add(forward(&StationStream::controlObservers_)));
    pipeline->setVolume(volume);
    std::shared_ptr<StreamPipeline> old;
    std::vector<std::unique_ptr<Observation>> oldWatches;
    bool playing = false;
    {
        std::lock_guard lock(mutex_);
        old = std::exchange(pipeline_, pipeline);
        oldWatches = std::exchange(watches_, std::move(watches));
        playing = wantPlaying_;
    }
    oldWatches.clear();
    if (old) {
        old->release();
    }
    if (playing) {
        pipeline->play();
    }
}

void StationStream::pipelineSettled(const std::shared_ptr<StreamPipeline>& pipeline) {
    const ItemStatus status = pipeline->itemStatus();
    std::optional<Candidate> failed;
    std::optional<MirrorMemory::Mirrors> played;
    {
        std::lock_guard lock(mutex_);
        if (released_ || pipeline != pipeline_ || item_ != ItemStatus::unknown ||
            status == ItemStatus::unknown) {
            return;
        }
        if (status == ItemStatus::readyToPlay) {
            item_ = status;
            if (!mirrors_.empty()) {
                played = MirrorMemory::Mirrors{mirrors_, candidates_.front().url};
            }
        } else {
            failed = candidates_.front();
            candidates_.pop_front();
        }
    }
    if (played) {
        memory_->played(station_, std::move(*played));
    }
    if (!failed) {
        itemObservers_.notify();
        return;
    }
    if (failed->depth == 2) {
        startFront();
        return;
    }
    // What failed to play may be a playlist: read it, then try its entries or the next.
    auto fetch = PlaylistFetch::start(failed->url, [weak = weak_from_this(), candidate = *failed](
                                                       std::optional<FetchedPage> page) {
        PipelineWorker::instance().post([weak, candidate, page = std::move(page)] {
            if (auto self = weak.lock()) {
                self->fetched(candidate, page);
            }
        });
    });
    // Released meanwhile: dropping the fetch cancels it, outside the lock.
    std::shared_ptr<PlaylistFetch> dropped;
    std::lock_guard lock(mutex_);
    (released_ ? dropped : fetch_) = std::move(fetch);
}

void StationStream::fetched(const Candidate& candidate, const std::optional<FetchedPage>& page) {
    const auto entries = page ? playlistEntries(page->contentType, page->body, page->url)
                              : std::vector<std::string>();
    {
        std::lock_guard lock(mutex_);
        if (released_) {
            return;
        }
        fetch_.reset();
        if (candidate.depth == 0) {
            mirrors_ = entries;
        }
        std::for_each(entries.rbegin(), entries.rend(), [&](const std::string& entry) {
            candidates_.push_front({entry, candidate.depth + 1});
        });
    }
    startFront();
}

bool StationStream::isCurrent(const StreamPipeline* pipeline) const {
    std::lock_guard lock(mutex_);
    return pipeline_.get() == pipeline;
}

void StationStream::command(const std::function<void()>& remember,
                            const std::function<void(StreamPipeline&)>& tell) {
    // Remembered for the mirror that may come next, told to the one playing now.
    std::lock_guard command(commandMutex_);
    std::shared_ptr<StreamPipeline> pipeline;
    {
        std::lock_guard lock(mutex_);
        remember();
        pipeline = pipeline_;
    }
    if (pipeline) {
        tell(*pipeline);
    }
}

void StationStream::play() {
    command([this] { wantPlaying_ = true; }, [](StreamPipeline& p) { p.play(); });
}

void StationStream::pause() {
    command([this] { wantPlaying_ = false; }, [](StreamPipeline& p) { p.pause(); });
}

float StationStream::volume() const {
    std::lock_guard lock(mutex_);
    return pipeline_ ? pipeline_->volume() : volume_;
}

void StationStream::setVolume(float volume) {
    command([this, volume] { volume_ = volume; },
            [volume](StreamPipeline& p) { p.setVolume(volume); });
}

ItemStatus StationStream::itemStatus() const {
    std::lock_guard lock(mutex_);
    return item_;
}

TimeControlStatus StationStream::timeControlStatus() const {
    std::shared_ptr<StreamPipeline> pipeline;
    {
        std::lock_guard lock(mutex_);
        if (!pipeline_) {
            return wantPlaying_ ? TimeControlStatus::waitingToPlay : TimeControlStatus::paused;
        }
        pipeline = pipeline_;
    }
    return pipeline->timeControlStatus();
}

std::optional<std::vector<MetadataItem>> StationStream::timedMetadata() const {
    std::shared_ptr<StreamPipeline> pipeline;
    {
        std::lock_guard lock(mutex_);
        pipeline = pipeline_;
    }
    return pipeline ? pipeline->timedMetadata() : std::nullopt;
}

void StationStream::release() {
    std::lock_guard command(commandMutex_);
    std::shared_ptr<StreamPipeline> pipeline;
    std::vector<std::unique_ptr<Observation>> watches;
    std::shared_ptr<PlaylistFetch> fetch;
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        pipeline = std::move(pipeline_);
        watches = std::move(watches_);
        fetch = std::move(fetch_);
    }
    itemObservers_.close();
    metadataObservers_.close();
    controlObservers_.close();
    watches.clear();
    if (pipeline) {
        pipeline->release();
    }
}

}  // namespace quilvo
