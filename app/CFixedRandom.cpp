#include "CFixedRandom.h"

int CFixedRandom::Next() {
    // Unsigned 32-bit arithmetic wraps, which is the intended modulus.
    m_nState = m_nState * 214013u + 2531011u;
    return static_cast<int>((m_nState >> 16) & kMaxValue);
}
