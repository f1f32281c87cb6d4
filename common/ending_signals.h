// The signals that end a Linux program cleanly (SIGTERM, SIGINT, SIGHUP), read from its loop.
#pragma once

#include <sys/signalfd.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace vellicord {

// Blocks the three signals and returns a descriptor that becomes readable when one comes, or -1
// after saying why. Called before anything else, so a signal in any step is taken by the loop.
inline int OpenEndingSignals(const char* program) {
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int fd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (fd < 0) std::perror((std::string(program) + ": signalfd").c_str());
  return fd;
}

}  // namespace vellicord
