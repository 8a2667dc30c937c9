// The text of --help.
#include "standins/loopra70/host_options.h"

namespace tz::host {

const char* usageText() {
  return R"(usage: loopra70.exe [options]
Runs the ReWire device of the driver beside this program as the host application: opens and
runs it, prints every device callback and makes the transport requests asked for.

  -REWIREDEVICE           started by the device half (only noted; the run is the same)
  --library PATH          the driver library (default: "Audio Hardware Drivers/LoopraReWire.so",
                          or .dll on Windows, in this program's folder)
  --seconds S             end after S seconds (default 0: only when the mixer asks the host
                          to quit, or on SIGINT or SIGTERM)
  --quiet                 no line for codes 26 and 27, which come every block (still counted)
  --idle                  the outputs render nothing (their callback writes no sample), so a
                          block costs only the driver's own work; for measuring the driver
  --list-ports            print the device's output ports after attaching
Transport requests to the mixer (times in seconds after the device runs; positions in ticks
at 24576 per quarter note)
  --play-at S             request play
  --stop-at S             request stop
  --locate-at S:TICKS     request a move of the song position
  --loop-at S:START:END   request the loop START to END, on
  --loop-off-at S         request the loop off
  --help                  this text
Options in the environment variable TZ_LOOPRA70_OPTIONS come before the command line's, so
that a host the device launches can be scripted too.
Exit status: 0 done (also when no mixer runs), 1 the library or the device failed,
2 bad options.
)";
}

}  // namespace tz::host
