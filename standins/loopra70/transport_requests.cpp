#include "standins/loopra70/transport_requests.h"

namespace tz::host {

LocateArguments locateArguments(const TransportRequest& request) {
  LocateArguments arguments;
  switch (request.kind) {
    case RequestKind::Locate:
      arguments.position = request.position;
      break;
    case RequestKind::Loop:
      arguments.loopStart = request.loopStart;
      arguments.loopLength = request.loopEnd - request.loopStart;
      arguments.loopOn = 1;
      break;
    case RequestKind::LoopOff:
      arguments.loopOn = 0;
      break;
    case RequestKind::Play:
    case RequestKind::Stop:
      break;
  }
  return arguments;
}

const char* requestName(RequestKind kind) {
  switch (kind) {
    case RequestKind::Play:
      return "play";
    case RequestKind::Stop:
      return "stop";
    case RequestKind::Locate:
      return "locate";
    case RequestKind::Loop:
      return "loop";
    case RequestKind::LoopOff:
      return "loop off";
  }
  return "?";
}

}  // namespace tz::host
