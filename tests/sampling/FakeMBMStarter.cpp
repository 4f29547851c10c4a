// A stand-in interface library: its exports leave a trace in the environment.

#include <cstdlib>

extern "C" __attribute__((visibility("default"))) void Start() {
  ::setenv("DRAVEL_FAKE_MBM", "started", 1);
}

extern "C" __attribute__((visibility("default"))) void Stop() {
  ::setenv("DRAVEL_FAKE_MBM", "stopped", 1);
}
