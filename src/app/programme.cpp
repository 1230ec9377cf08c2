// The real operations behind each row of the timeline.
#include "app/timeline.h"

ProgrammeOps programmeOperations() {
    ProgrammeOps ops{};
    // Scenes are wired in as they are built; a null entry draws nothing.
    return ops;
}
