#include "platform/EventPump.h"

namespace pivora::platform {

void PlainEventPump::ProcessEvents()
{
    if (onProcessEvents)
        onProcessEvents();
}

} // namespace pivora::platform
