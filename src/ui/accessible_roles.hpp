#pragma once

namespace quilvo::ui {

// Teaches Qt's accessibility bridge what our drawn controls are, where its own guess from the
// base class is wrong: the moods are one choice of four (radio buttons), the About window's
// links are links, and the announcer is a notification. Safe to call more than once.
void installAccessibleRoles();

}  // namespace quilvo::ui
