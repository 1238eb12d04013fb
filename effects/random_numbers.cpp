#include "effects/random_numbers.h"

void RandomNumbers::seed(uint32_t value) {
    // Zero would fill the register with zeros; the library takes 1 instead.
    if (value == 0) value = 1;
    // The register is signed: a seed above 2^31 starts out negative, and the
    // recurrence below must see it so to draw the library's numbers.
    int32_t word = static_cast<int32_t>(value);
    state_[0] = word;
    for (int i = 1; i < DEGREE; ++i) {
        // 16807 * word mod (2^31 - 1), split so that nothing overflows.
        const int64_t hi = word / 127773;
        const int64_t lo = word % 127773;
        word = static_cast<int32_t>(16807 * lo - 2836 * hi);
        if (word < 0) word += 2147483647;
        state_[i] = word;
    }
    front_ = SEPARATION;
    rear_ = 0;
    // The first ten rounds of the register are thrown away.
    for (int i = 0; i < 10 * DEGREE; ++i) next();
}

int32_t RandomNumbers::next() {
    // Sum in unsigned arithmetic: the register's words wrap modulo 2^32.
    const uint32_t sum = static_cast<uint32_t>(state_[front_]) + static_cast<uint32_t>(state_[rear_]);
    state_[front_] = static_cast<int32_t>(sum);
    front_ = front_ + 1 == DEGREE ? 0 : front_ + 1;
    rear_ = rear_ + 1 == DEGREE ? 0 : rear_ + 1;
    // The lowest bit is the least random; it is dropped.
    return static_cast<int32_t>(sum >> 1);
}
