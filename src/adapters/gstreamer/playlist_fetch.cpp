#include "adapters/gstreamer/playlist_fetch.hpp"

#include <libsoup/soup.h>

#include <thread>

#include "adapters/gstreamer/playlist.hpp"

namespace quilvo {

namespace {

constexpr gsize kReadChunk = 16 * 1024;

// The fetch thread: its own main context, one session, the system's trust store and proxy.
struct FetchThread {
    GMainContext* context = g_main_context_new();
    SoupSession* session = nullptr;

    FetchThread() {
        std::thread([this] {
            g_main_context_push_thread_default(context);
            GMainLoop* loop = g_main_loop_new(context, FALSE);
            g_main_loop_run(loop);
        }).detach();
    }

    SoupSession* sessionOnThread() {
        if (session == nullptr) {
            session = soup_session_new_with_options(SOUP_SESSION_USE_THREAD_CONTEXT, TRUE,
                                                    SOUP_SESSION_USER_AGENT, "Quilvo", nullptr);
        }
        return session;
    }
};

FetchThread& fetchThread() {
    static FetchThread* thread = new FetchThread();
    return *thread;
}

struct Job {
    std::string url;
    std::function<void(std::optional<FetchedPage>)> done;
    GCancellable* cancellable = nullptr;
    SoupMessage* message = nullptr;
    GInputStream* body = nullptr;
    GSource* timer = nullptr;
    std::string data;
    char chunk[kReadChunk];
};

void finish(Job* job, bool complete) {
    std::optional<FetchedPage> page;
    if (complete && !g_cancellable_is_cancelled(job->cancellable)) {
        gchar* url = soup_uri_to_string(soup_message_get_uri(job->message), FALSE);
        const char* type =
            soup_message_headers_get_one(job->message->response_headers, "Content-Type");
        page = FetchedPage{url, type != nullptr ? type : "", std::move(job->data)};
        g_free(url);
    }
    // Ends the connection of an answer that was not read to its end.
    g_cancellable_cancel(job->cancellable);
    if (job->timer != nullptr) {
        g_source_destroy(job->timer);
        g_source_unref(job->timer);
    }
    if (job->body != nullptr) {
        g_object_unref(job->body);
    }
    if (job->message != nullptr) {
        g_object_unref(job->message);
    }
    g_object_unref(job->cancellable);
    job->done(std::move(page));
    delete job;
}

void readMore(Job* job);

void onRead(GObject* stream, GAsyncResult* result, gpointer data) {
    auto* job = static_cast<Job*>(data);
    const gssize read = g_input_stream_read_finish(G_INPUT_STREAM(stream), result, nullptr);
    if (read <= 0) {
        finish(job, read == 0);
        return;
    }
    job->data.append(job->chunk, static_cast<std::size_t>(read));
    if (job->data.size() > kPlaylistMaxBytes) {
        finish(job, false);
        return;
    }
    readMore(job);
}

void readMore(Job* job) {
    g_input_stream_read_async(job->body, job->chunk, kReadChunk, G_PRIORITY_DEFAULT,
                              job->cancellable, onRead, job);
}

void onSent(GObject* session, GAsyncResult* result, gpointer data) {
    auto* job = static_cast<Job*>(data);
    job->body = soup_session_send_finish(SOUP_SESSION(session), result, nullptr);
    if (job->body == nullptr || !SOUP_STATUS_IS_SUCCESSFUL(job->message->status_code)) {
        finish(job, false);
        return;
    }
    readMore(job);
}

gboolean onLate(gpointer cancellable) {
    g_cancellable_cancel(G_CANCELLABLE(cancellable));
    return G_SOURCE_REMOVE;
}

gboolean begin(gpointer data) {
    auto* job = static_cast<Job*>(data);
    const bool web = job->url.starts_with("http://") || job->url.starts_with("https://");
    job->message = web ? soup_message_new(SOUP_METHOD_GET, job->url.c_str()) : nullptr;
    if (job->message == nullptr || g_cancellable_is_cancelled(job->cancellable)) {
        finish(job, false);
        return G_SOURCE_REMOVE;
    }
    job->timer = g_timeout_source_new(static_cast<guint>(PlaylistFetch::kTimeLimit.count()));
    g_source_set_callback(job->timer, onLate, job->cancellable, nullptr);
    g_source_attach(job->timer, fetchThread().context);
    soup_session_send_async(fetchThread().sessionOnThread(), job->message, job->cancellable, onSent,
                            job);
    return G_SOURCE_REMOVE;
}

}  // namespace

std::shared_ptr<PlaylistFetch> PlaylistFetch::start(
    const std::string& url, std::function<void(std::optional<FetchedPage>)> done) {
    std::shared_ptr<PlaylistFetch> fetch(new PlaylistFetch());
    GCancellable* cancellable = g_cancellable_new();
    fetch->cancellable_ = g_object_ref(cancellable);
    auto* job = new Job();
    job->url = url;
    job->done = std::move(done);
    job->cancellable = cancellable;
    g_main_context_invoke(fetchThread().context, begin, job);
    return fetch;
}

PlaylistFetch::~PlaylistFetch() {
    g_cancellable_cancel(G_CANCELLABLE(cancellable_));
    g_object_unref(cancellable_);
}

}  // namespace quilvo
