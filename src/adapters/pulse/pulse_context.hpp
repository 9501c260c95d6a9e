#pragma once

#include <pulse/context.h>
#include <pulse/subscribe.h>

namespace quilvo {

// Disconnects and releases `context` with no callback of ours left to run, and clears it.
inline void closePulseContext(pa_context*& context) {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
}

}  // namespace quilvo
