#pragma once
// The card's own random numbers: the same sequence as the GNU C library's
// srand/rand (its default additive generator of degree 31, seeding
// included), so that the snow falls the same on every platform, whatever
// its C library's rand does.
#include <array>
#include <cstdint>

class RandomNumbers {
  public:
    // The largest number next() returns.
    static constexpr int32_t MAX = 0x7FFFFFFF;

    RandomNumbers() { seed(1); }
    explicit RandomNumbers(uint32_t value) { seed(value); }

    // Starts the sequence that srand(value) starts.
    void seed(uint32_t value);
    // The next number, 0 to MAX, as rand() would return it.
    int32_t next();

  private:
    static constexpr int DEGREE = 31;      // words of state
    static constexpr int SEPARATION = 3;   // distance between the two taps
    std::array<int32_t, DEGREE> state_{};  // the additive feedback register
    int front_ = SEPARATION;               // tap that receives the sum
    int rear_ = 0;                         // tap that is added
};
