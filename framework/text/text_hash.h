// Keyed hashing of texts for the tables that hold names from the input. The
// key is drawn once per run, so no input can be prepared to make its names
// collide (SipHash-1-3: short keys, good spread, no known keyed attack).
#pragma once

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string_view>

#include <sys/random.h>
#include <unistd.h>

class TTextHash {
public:
  // The hash of text under this run's key.
  std::uint64_t operator()(std::string_view text) const { return Keyed(text, RunKey()); }

  // The hash of text under a given key (the tests use fixed keys).
  static std::uint64_t Keyed(std::string_view text, const std::uint64_t (&key)[2]) {
    std::uint64_t v0 = key[0] ^ 0x736f6d6570736575ull, v1 = key[1] ^ 0x646f72616e646f6dull;
    std::uint64_t v2 = key[0] ^ 0x6c7967656e657261ull, v3 = key[1] ^ 0x7465646279746573ull;
    auto round = [&] {
      v0 += v1, v1 = Rotl(v1, 13), v1 ^= v0, v0 = Rotl(v0, 32);
      v2 += v3, v3 = Rotl(v3, 16), v3 ^= v2;
      v0 += v3, v3 = Rotl(v3, 21), v3 ^= v0;
      v2 += v1, v1 = Rotl(v1, 17), v1 ^= v2, v2 = Rotl(v2, 32);
    };
    auto absorb = [&](std::uint64_t m) {
      v3 ^= m;
      round();
      v0 ^= m;
    };
    std::size_t whole = text.size() & ~std::size_t{7};
    for (std::size_t i = 0; i < whole; i += 8) {
      std::uint64_t m;
      std::memcpy(&m, text.data() + i, 8);
      absorb(m);
    }
    // The last 0 to 7 bytes with the length in the top byte.
    std::uint64_t last = static_cast<std::uint64_t>(text.size()) << 56;
    for (std::size_t i = whole; i < text.size(); ++i)
      last |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[i])) << (8 * (i - whole));
    absorb(last);
    v2 ^= 0xff;
    round(), round(), round();
    return v0 ^ v1 ^ v2 ^ v3;
  }

private:
  static std::uint64_t Rotl(std::uint64_t x, int n) { return (x << n) | (x >> (64 - n)); }

  // Drawn from the kernel on first use; should that fail, the clock and the
  // process id still make it differ from run to run.
  static const std::uint64_t (&RunKey())[2] {
    static const auto key = [] {
      struct TKey {
        std::uint64_t Words[2];
      } k{};
      if (getrandom(k.Words, sizeof k.Words, 0) != static_cast<ssize_t>(sizeof k.Words)) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        k.Words[0] = static_cast<std::uint64_t>(now.tv_nsec) * 0x9e3779b97f4a7c15ull;
        k.Words[1] = static_cast<std::uint64_t>(getpid()) << 32 ^ static_cast<std::uint64_t>(now.tv_sec);
      }
      return k;
    }();
    return key.Words;
  }
};
