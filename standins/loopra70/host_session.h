// The driver's one device as the host runs it: the driver class created and initialised with
// the host's settings, the device found by enumeration, attached, opened with the host's
// callback, started and running; and undone in the order a host undoes it. Requests go to the
// device from the calling thread. One thread at a time, like the host's own calls.
#pragma once

#include <cstdio>
#include <string>

#include "standins/loopra70/callback_log.h"
#include "standins/loopra70/driver_library.h"
#include "standins/loopra70/host_options.h"
#include "standins/loopra70/signal_outputs.h"
#include "tz/metrics.h"

namespace tz::host {

class HostSession {
 public:
  enum class Created { Ready, NoMixer, Failed };

  // idle: the outputs render nothing (SignalOutputs).
  HostSession(CallbackLog& log, std::FILE* out, bool idle = false)
      : log_(log), out_(out), outputs_(idle) {}
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;
  ~HostSession() { shutDown(); }

  // Creates and initialises the driver class. NoMixer: the driver found no mixer running.
  Created create(const DriverLibrary& driver, HTZMETRICS settings, std::string& error);
  // Finds the device, attaches and opens it, opens every output with the test signal, starts
  // and runs the device, then turns transport sync on.
  // On failure what was done stays for shutDown().
  bool run(std::string& error);
  // "port N: NAME" for each output of the attached device.
  void listPorts();
  // Makes the request and prints it with the device's answer.
  void request(const TransportRequest& request);
  // Halt, Stop, Close, Detach, Terminate and Release as far as each was reached, then one
  // line of their statuses. False when any of them failed.
  bool shutDown();

 private:
  bool step(const char* name, HRESULT status, std::string& error);

  CallbackLog& log_;
  std::FILE* out_;
  IAudioClass* class_ = nullptr;
  IAudioDevice2* device_ = nullptr;
  bool initialized_ = false;
  bool attached_ = false;
  bool opened_ = false;
  bool started_ = false;
  bool running_ = false;
  SignalOutputs outputs_;
};

}  // namespace tz::host
