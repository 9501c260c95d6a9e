#pragma once

#include <functional>

#include "adapters/mpris/mpris_bus_connection.hpp"

typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GDBusNodeInfo GDBusNodeInfo;

namespace quilvo {

// org.mpris.MediaPlayer2: who we are, and Quit.
class MprisRootInterface {
  public:
    // `quit` runs on the main loop after a client asked to quit.
    explicit MprisRootInterface(std::function<void()> quit);
    ~MprisRootInterface();
    MprisRootInterface(const MprisRootInterface&) = delete;
    MprisRootInterface& operator=(const MprisRootInterface&) = delete;

    ExportedInterface exported();

  private:
    static void call(GDBusConnection*, const char*, const char*, const char*, const char* method,
                     GVariant*, GDBusMethodInvocation* invocation, void* self);
    static GVariant* property(GDBusConnection*, const char*, const char*, const char*,
                              const char* name, GError**, void*);

    std::function<void()> quit_;
    GDBusNodeInfo* description_;
    unsigned pendingQuit_ = 0;
};

}  // namespace quilvo
