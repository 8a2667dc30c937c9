// The text of --help.
#include "standins/rwmixer/mixer_options.h"

namespace tz::mixer {

const char* usageText() {
  return R"(usage: rwmixer [options]
Loads a ReWire device through the bridge engine, drives it block by block and writes what it
serves to a WAV file.

Device
  --engine PATH           engine library (default: ReWire.dll by the loader's search order,
                          this program's folder first)
  --device NAME           device to load (default: Loopra Pro 7.0)
  --launch                ask the device to launch its panel application
  --wait-panel SECONDS    after opening, wait up to this long for a panel to connect
  --quit-panel            ask the panel application to quit at the end
Audio
  --rate HZ               sample rate, 1000 to 768000 (default 44100)
  --block FRAMES          frames per block, 1 to 16384 (default 512)
  --seconds S             run length in mixer time (default 5)
  --blocks N              run length in blocks, instead of --seconds
  --freewheel             drive as fast as possible instead of at real-time pace
  --events N              capacity of the device's event buffer, 1 to 1024 (default 64)
  --out PATH              write the served channels to a 32-bit float WAV file
  --svg PATH              draw the session to an SVG file: each channel's waveform over
                          mixer time, the transport marks, and the drive times
  --verify                check every served block against the host stand-in's test signal;
                          exit status 3 when a block after the host started was lost or a
                          sample was wrong
Transport (positions: ticks at 15360 per quarter note, or bars from 1 as "3b")
  --tempo BPM             tempo, 1 to 999.999 (default 120)
  --signature N/D         time signature (default 4/4)
  --loop START:END        loop range (default 1b:5b)
  --loop-on               loop on from the start
  --play                  play from the start
Script (times in seconds of mixer time; an action takes effect on the first block that
starts at or after it)
  --play-at S             start playing
  --stop-at S             stop
  --locate-at S:POS       move the song position
  --tempo-at S:BPM        change the tempo
  --audio-info-at S:RATE:BLOCK   change the sample rate and block size
  --quit-panel-at S       ask the panel application to quit while the blocks go on
  --help                  this text
Exit status: 0 done, 1 the engine, device or file failed, 2 bad options or unknown device,
3 the check of --verify failed.
)";
}

}  // namespace tz::mixer
