#pragma once

#include <gst/gst.h>

namespace quilvo {

// A decoder that joins a stream mid-way lacks the bits its first frames borrow from earlier
// ones and plays them as digital silence: mpg123 some 50 ms of it. Those zeros are not the
// station's and only hold back its first sound. From `pad`, buffers of nothing but zeros are
// dropped until the first other buffer, and never more than kLeadingSilenceCut of them, so that
// a station that does send silence is still played.
inline constexpr GstClockTime kLeadingSilenceCut = 150 * GST_MSECOND;
void cutLeadingSilence(GstPad* pad);

}  // namespace quilvo
