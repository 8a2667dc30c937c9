// Ids of the support library's own strings, shared by its resource scripts and its code.
// They start at 47999, above every id a module that links the library uses for itself.
#pragma once

// Time text: the labels of failed and unbounded values, and the label templates of the print
// tokens, filled with the library's separators.
#define IDS_TIME_ERROR 48377
#define IDS_TIME_INFINITE 48378
#define IDS_LABEL_SMPTE 48379
#define IDS_LABEL_SMPTE_FULL 48380
#define IDS_LABEL_MUSIC_TIME 48381
#define IDS_LABEL_MUSIC_TIME_FULL 48382

// Display names of the SMPTE frame-rate formats 1 to 5 (format 6 has none).
#define IDS_SMPTE_NAME_30 48439
#define IDS_SMPTE_NAME_2997_DROP 48440
#define IDS_SMPTE_NAME_25 48441
#define IDS_SMPTE_NAME_24 48442
#define IDS_SMPTE_NAME_2997 48443
