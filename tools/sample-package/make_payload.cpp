// Writes the sample product's data file: N bytes of a fixed pseudo-random
// sequence (xorshift64), so every build carries the same, incompressible data
// and the package has the size of a real one.
//   sample_make_payload OUTPUT BYTES
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT BYTES\n", argc > 0 ? argv[0] : "sample_make_payload");
    return 2;
  }
  char* end = nullptr;
  const unsigned long long size = std::strtoull(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || size > (1ull << 30)) {
    std::fprintf(stderr, "invalid size %s\n", argv[2]);
    return 2;
  }
  std::vector<char> bytes(size);
  std::uint64_t state = 0x9e3779b97f4a7c15ull;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<char>(state >> 56);
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
