#include "adapters/http/soup_http_client.hpp"

#include <libsoup/soup.h>

#include <algorithm>
#include <cmath>

namespace quilvo {

namespace {

struct Outcome {
    SoupMessage* message;
    bool done = false;
    std::optional<int> status;
};

void sent(GObject* session, GAsyncResult* result, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    outcome->done = true;
    // The status is known once the headers are in; the body is not wanted.
    if (GInputStream* body = soup_session_send_finish(SOUP_SESSION(session), result, nullptr)) {
        outcome->status = static_cast<int>(outcome->message->status_code);
        g_object_unref(body);
    }
}

gboolean late(gpointer cancellable) {
    g_cancellable_cancel(G_CANCELLABLE(cancellable));
    return G_SOURCE_REMOVE;
}

SoupMessage* postOf(const HttpRequest& request) {
    if (!request.url.starts_with("http://") && !request.url.starts_with("https://")) {
        return nullptr;
    }
    SoupMessage* message = soup_message_new(SOUP_METHOD_POST, request.url.c_str());
    if (message == nullptr) {
        return nullptr;
    }
    for (const auto& [name, value] : request.headers) {
        soup_message_headers_replace(message->request_headers, name.c_str(), value.c_str());
    }
    soup_message_body_append(message->request_body, SOUP_MEMORY_COPY, request.body.data(),
                             request.body.size());
    soup_message_set_flags(message, SOUP_MESSAGE_NO_REDIRECT);
    return message;
}

}  // namespace

std::optional<int> SoupHttpClient::post(const HttpRequest& request, Seconds wait) {
    SoupMessage* message = postOf(request);
    if (message == nullptr) {
        return std::nullopt;
    }
    GCancellable* cancellable = g_cancellable_new();
    {
        std::lock_guard lock(mutex_);
        active_ = cancellable;
        if (aborted_) {
            g_cancellable_cancel(cancellable);
        }
    }
    // A context of its own: the POST runs on the calling thread, whatever else uses libsoup.
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    SoupSession* session =
        soup_session_new_with_options(SOUP_SESSION_USE_THREAD_CONTEXT, TRUE, nullptr);
    Outcome outcome{message, false, std::nullopt};
    soup_session_send_async(session, message, cancellable, sent, &outcome);
    const double limit = std::max(0.0, std::min(wait.count(), request.timeout.count()));
    GSource* timer = g_timeout_source_new(static_cast<guint>(std::ceil(limit * 1000)));
    g_source_set_callback(timer, late, cancellable, nullptr);
    g_source_attach(timer, context);
    // Cancelled, the POST still ends through `sent`.
    while (!outcome.done) {
        g_main_context_iteration(context, TRUE);
    }
    {
        std::lock_guard lock(mutex_);
        active_ = nullptr;
    }
    g_source_destroy(timer);
    g_source_unref(timer);
    g_object_unref(session);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    g_object_unref(cancellable);
    g_object_unref(message);
    return outcome.status;
}

void SoupHttpClient::abort() {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    if (active_ != nullptr) {
        g_cancellable_cancel(static_cast<GCancellable*>(active_));
    }
}

}  // namespace quilvo
