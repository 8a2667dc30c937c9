// The engine's file version; each build of the engine sets its major part.
#include "tz/version_note.h"

TZ_FILE_VERSION_NOTE(TZ_ENGINE_MAJOR, 0, 0, 1);
