// The three enumerators: devices of the driver class, outputs and (always empty) inputs of the
// device. They borrow the owner's list and capture its count when made.
#pragma once

#include "kaudio/audiodrvs/ReWire/host/com_support.h"
#include "tz/list.h"

namespace tz::rewire {

// Makes an enumerator over list (null: empty) into *out: S_OK, or E_OUTOFMEMORY with null.
HRESULT createDeviceEnumerator(tTZLIST* list, IEnumAudioDevs** out);
HRESULT createOutputEnumerator(tTZLIST* list, IEnumAudioOut** out);
HRESULT createInputEnumerator(tTZLIST* list, IEnumAudioIn** out);

}  // namespace tz::rewire
