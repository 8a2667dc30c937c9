// The library's file version, which hosts and the engine read from the file.
#include "tz/version_note.h"

TZ_FILE_VERSION_NOTE(7, 0, 0, 1);
