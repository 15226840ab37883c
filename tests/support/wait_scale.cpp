#include "tests/support/wait_scale.h"

#include <cstdlib>

namespace {

DWORD WaitFactor()
{
    static const DWORD factor = [] {
        char text[16] = "";
        const DWORD length = GetEnvironmentVariableA("CORVANE_WAIT_SCALE", text, sizeof text);
        const long value = length > 0 && length < sizeof text ? std::strtol(text, nullptr, 10) : 1;
        return static_cast<DWORD>(value >= 1 && value <= 100 ? value : 1);
    }();
    return factor;
}

}  // namespace

DWORD ScaledWait(DWORD timeoutMs)
{
    if (timeoutMs == INFINITE)
        return INFINITE;
    const unsigned long long scaled = static_cast<unsigned long long>(timeoutMs) * WaitFactor();
    return scaled >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(scaled);
}
