#pragma once
// The program as the window would have it after start-up, without a window
// and without a start-up picture: what the command-line renderer and the
// benchmarks drive.

#include "headless_host.hpp"
#include "session.hpp"

namespace velmora {

// The host is made before the session that uses it.
struct HeadlessHostHolder {
    HeadlessHost host;
};

// The program as the window would have it after start-up, without a window
// and without a start-up picture: what the command-line renderer and the
// benchmarks drive.
struct HeadlessSession : HeadlessHostHolder, Session {
    HeadlessSession() : Session(host.hosts()) { startWithoutPicture(); }
};

}  // namespace velmora
