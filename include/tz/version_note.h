// A module's file version: an ELF note with owner "TzVersion", type 1, and a descriptor of two
// 32-bit words, most significant first (major << 16 | minor, build << 16 | revision). It is the
// module's version record, read from the file without loading it.
//
// Use once per module, at namespace scope in one source file, with plain integer literals (no
// suffix) from 0 to 65535:  TZ_FILE_VERSION_NOTE(7, 0, 0, 1);
#pragma once

// The section is allocated (so it lands in a PT_NOTE segment of the image) and retained ("R"),
// so that neither the linker's section garbage collection nor stripping drops it.
// clang-format off
#define TZ_FILE_VERSION_NOTE(major, minor, build, revision) \
  TZ_FILE_VERSION_NOTE_EXPANDED(major, minor, build, revision)

#define TZ_FILE_VERSION_NOTE_EXPANDED(major, minor, build, revision)                          \
  static_assert((major) >= 0 && (major) <= 0xFFFF && (minor) >= 0 && (minor) <= 0xFFFF &&     \
                    (build) >= 0 && (build) <= 0xFFFF && (revision) >= 0 &&                   \
                    (revision) <= 0xFFFF,                                                     \
                "each part of a file version is 16 bits");                                  \
  __asm__(".pushsection .note.tzversion, \"aR\", @note\n"                                     \
          ".balign 4\n"                                                                       \
          ".long 10\n" /* name size: "TzVersion" and its zero */                              \
          ".long 8\n"  /* descriptor size */                                                  \
          ".long 1\n"  /* type: version */                                                    \
          ".asciz \"TzVersion\"\n"                                                            \
          ".balign 4\n"                                                                       \
          ".long (" #major ") << 16 | (" #minor ")\n"                                         \
          ".long (" #build ") << 16 | (" #revision ")\n"                                      \
          ".popsection")
// clang-format on
