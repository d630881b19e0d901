// The editor header's switches on the plug-in side: running free of the host's transport.
#include "state/uPlugin.h"

namespace frakle::state {

void APlugin::SetIgnoreTransport(bool ignore) {
    engine_.setIgnoreTransport(ignore);
    Store(record().ignoreTransport, static_cast<uint8_t>(ignore ? 1 : 0));
}

} // namespace frakle::state
