#pragma once

#include <QtGlobal>

// A small linear congruential generator with a fixed sequence: state = state * 214013 + 2531011
// (32 bits, wrapping), value = bits 16 to 30 of the state. Values that are stored (the scrambled
// password) depend on its exact sequence, so it must give the same numbers on every machine and
// with every compiler, which the C library's rand() does not promise.
class CFixedRandom {
public:
    static constexpr int kMaxValue = 0x7FFF;

    explicit CFixedRandom(quint32 nSeed) : m_nState(nSeed) {}

    // Starts the sequence again from `nSeed`.
    void Seed(quint32 nSeed) { m_nState = nSeed; }
    // The next value of the sequence, 0 to kMaxValue.
    int Next();

private:
    quint32 m_nState;
};
