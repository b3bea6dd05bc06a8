#include "engine/clsWaitableTimer.h"

namespace pivora::engine {

void clsWaitableTimer::Wait(int MilliSeconds,
                            std::span<const pivora::platform::NativeHandle> wakeOn)
{
    if (MilliSeconds <= 0) {
        m_pump.ProcessEvents();
        return;
    }
    m_pump.Wait(MilliSeconds, wakeOn);
}

} // namespace pivora::engine
