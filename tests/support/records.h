// Records as the library's worker posts them, for failures a simulated unit
// cannot be made to send.  Tests link the library's static twin.
#pragma once

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "protocol/context.h"
#include "qmr.h"

namespace qmrtest {

// Appends a finished record to the context's ring and announces it to the
// context's notify target.
inline void postRecord(FlshContext* c, int state, int code, int tagA, int tagB, const char* text)
{
    {
        qmr::platform::SemaphoreLock g(qmr::protocol::lockOf(c));
        ProgressRecord& p = c->ring[c->ringWrite];
        std::memset(&p, 0, sizeof p);
        std::snprintf(p.text, sizeof p.text, "%s", text);
        p.state = state;
        p.code = code;
        p.tagA = tagA;
        p.tagB = tagB;
        p.percent = p.scale = 100;
        c->ringWrite = c->ringWrite + 1 >= QMR_RING_SIZE ? 0 : c->ringWrite + 1;
    }
    qmr::platform::postWindowMessage(__atomic_load_n(&c->notifyWindow, __ATOMIC_ACQUIRE),
                                     __atomic_load_n(&c->notifyMessage, __ATOMIC_ACQUIRE), 0, 0);
}

}  // namespace qmrtest
